#include "engine/remediation/PackageDownload.h"

#include <QCryptographicHash>

#include <cerrno>

namespace varnel {

namespace {

template <typename T>
Expected<T, PackageDownload::Failure> fail(PackageDownload::Failure::Kind kind, QString message)
{
    return Expected<T, PackageDownload::Failure>::failure({kind, std::move(message)});
}

}  // namespace

QString PackageDownload::sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

Expected<QString, PackageDownload::Failure> PackageDownload::packageFolder(const QString& folderName) const
{
    using Kind = Failure::Kind;
    auto caches = fs_->directory(DirectoryLocation::caches, true);
    if (!caches)
        return fail<QString>(Kind::other, caches.error().localizedDescription());
    const QString folder = *caches + QLatin1Char('/') + folderName;
    if (auto made = fs_->createDirectory(folder, true); !made)
        return fail<QString>(Kind::other, made.error().localizedDescription());
    auto attributes = fs_->attributesOfItem(folder);
    if (!attributes)
        return fail<QString>(Kind::other, attributes.error().localizedDescription());
    if (attributes->type != FileAttributes::Type::directory)
        return fail<QString>(Kind::other, ServiceError::fromErrno(ENOTDIR, folder).localizedDescription());
    if (auto p = fs_->setPosixPermissions(0700, folder); !p)
        return fail<QString>(Kind::other, p.error().localizedDescription());
    return folder;
}

Expected<Done, PackageDownload::Failure> PackageDownload::download(const QUrl& url, const QString& destination,
                                                                   const DownloadProgress& progress,
                                                                   std::stop_token stop) const
{
    using Kind = Failure::Kind;
    if (fs_->fileExists(destination))
        (void)fs_->removeItem(destination);
    auto fetched = http_->download(url, progress, stop);
    if (!fetched) {
        const HttpError& e = fetched.error();
        const Kind kind = e.kind == HttpErrorKind::cancelled  ? Kind::canceled
                          : e.kind == HttpErrorKind::timedOut ? Kind::timedOut
                          : e.kind == HttpErrorKind::httpStatus ? Kind::httpStatus
                                                                : Kind::other;
        return fail<Done>(kind, e.localizedDescription());
    }
    const QString temporary = fetched->filePath;
    const int status = fetched->response.statusCode;
    if (stop.stop_requested()) {
        (void)fs_->removeItem(temporary);
        return fail<Done>(Kind::canceled, ServiceError::canceled().localizedDescription());
    }
    if (status < 200 || status > 299) {
        (void)fs_->removeItem(temporary);
        return fail<Done>(Kind::httpStatus, QStringLiteral("HTTP %1").arg(status));
    }
    if (auto moved = fs_->moveItem(temporary, destination); !moved) {
        (void)fs_->removeItem(temporary);
        return fail<Done>(Kind::other, moved.error().localizedDescription());
    }
    return Done{};
}

Expected<Done, PackageDownload::Failure> PackageDownload::verify(const QString& path, const QString& expected) const
{
    using Kind = Failure::Kind;
    auto bytes = fs_->contents(path);
    if (!bytes)
        return fail<Done>(Kind::other, bytes.error().localizedDescription());
    const QString actual = sha256Hex(*bytes);
    if (actual == expected)
        return Done{};
    (void)fs_->removeItem(path);
    return fail<Done>(Kind::checksumMismatch, QStringLiteral("Checksum mismatch (expected ") + expected +
                                                  QStringLiteral(", got ") + actual + QStringLiteral(")"));
}

}  // namespace varnel
