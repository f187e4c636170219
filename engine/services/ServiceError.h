#pragma once

#include <QString>

namespace varnel {

// A platform failure turned into a value: a launch error, a file-system error.
// `message` is what a user may read ("No such file or directory"), `code` the
// system's number (errno) where there is one.
struct ServiceError {
    QString message;
    int code = 0;
    QString domain;  // "posix", "qt", "curl", or a component's own name ("BrewRunner.PKG")

    QString localizedDescription() const { return message; }
    bool operator==(const ServiceError&) const = default;

    static ServiceError fromErrno(int err, const QString& context = {});
    // The work was stopped before this step could begin (ECANCELED).
    static ServiceError canceled();
    bool isCanceled() const;
};

}  // namespace varnel
