#pragma once

#include "engine/services/Expected.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/HTTPFetching.h"

#include <QString>
#include <QUrl>

#include <stop_token>

namespace varnel {

// Fetches an installer package into a folder only the user can write and
// checks it against its SHA-256 there. A package that fails the check is
// deleted; a stopped download leaves nothing behind. Callers check again
// right before handing the package to the installer.
class PackageDownload {
public:
    struct Failure {
        enum class Kind { canceled, timedOut, httpStatus, checksumMismatch, other };
        Kind kind = Kind::other;
        QString message;
        QString localizedDescription() const { return message; }
    };

    PackageDownload(const HTTPFetching& http, const FileSystemOperating& fs) : http_(&http), fs_(&fs) {}

    // <caches>/<folderName>, created when missing, a real folder (not a link)
    // with mode 0700: one we own, since only the owner may change the mode.
    Expected<QString, Failure> packageFolder(const QString& folderName) const;

    // Downloads `url` to `destination` (an existing file there is replaced).
    Expected<Done, Failure> download(const QUrl& url, const QString& destination, const DownloadProgress& progress,
                                     std::stop_token stop) const;

    // "Checksum mismatch (expected …, got …)" and the file deleted when the
    // digest differs from `expected` (compared as given).
    Expected<Done, Failure> verify(const QString& path, const QString& expected) const;

    static QString sha256Hex(const QByteArray& bytes);

private:
    const HTTPFetching* http_;
    const FileSystemOperating* fs_;
};

}  // namespace varnel
