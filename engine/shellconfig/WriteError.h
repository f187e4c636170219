#pragma once

#include "engine/services/ServiceError.h"

#include <QString>

namespace varnel {

// Why an append to a shell file did not happen. The description is what the
// user reads: "Couldn't write backup file: …" or "Couldn't write file: …".
struct WriteError {
    enum class Kind { backupFailed, writeFailed };

    Kind kind = Kind::writeFailed;
    ServiceError underlying;

    static WriteError backupFailed(ServiceError underlying) { return {Kind::backupFailed, std::move(underlying)}; }
    static WriteError writeFailed(ServiceError underlying) { return {Kind::writeFailed, std::move(underlying)}; }

    QString localizedDescription() const;
    bool operator==(const WriteError&) const = default;
};

}  // namespace varnel
