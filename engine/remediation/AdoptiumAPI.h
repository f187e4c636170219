#pragma once

#include "engine/services/Expected.h"
#include "engine/services/HTTPFetching.h"

#include <QString>
#include <QUrl>

#include <stop_token>

namespace varnel {

// Adoptium's public assets API: the newest macOS installer package of a Java
// major version and its SHA-256.
class AdoptiumAPI {
public:
    struct AssetMetadata {
        QUrl downloadURL;
        QString checksum;  // 64 lower-case hexadecimal digits
        QString filename;
        QString releaseName;
    };

    struct Error {
        // Callers tell a time-out and a stop apart from everything else.
        enum class Kind { timedOut, canceled, other };
        Kind kind = Kind::other;
        QString message;
        int code = 0;
        QString domain;  // "AdoptiumAPI" for the answer's own faults, else the transport's
        QString localizedDescription() const { return message; }
    };

    explicit AdoptiumAPI(const HTTPFetching& http, QString apiBase = {});

    // Blocking; at most 20 seconds.
    Expected<AssetMetadata, Error> latestInstaller(const QString& major, const QString& architecture,
                                                   std::stop_token stop = {}) const;

    QUrl lookupURL(const QString& major, const QString& architecture) const;

private:
    const HTTPFetching* http_;
    QString apiBase_;
};

}  // namespace varnel
