#include "engine/services/LiveFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace varnel {

namespace {
QByteArray native(const QString& path) { return QFile::encodeName(path); }

ServiceError errorFor(const QString& path, int err) { return ServiceError::fromErrno(err, path); }

ServiceError qtError(const QString& path, const QString& reason)
{
    return ServiceError{path + QStringLiteral(": ") + reason, 0, QStringLiteral("qt")};
}

// Writes through QSaveFile, which replaces the file a symbolic link points to
// (so links stay links) and keeps the existing file's permissions.
Expected<Done, ServiceError> saveAtomically(const QByteArray& data, const QString& path)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Expected<Done, ServiceError>::failure(qtError(path, file.errorString()));
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Expected<Done, ServiceError>::failure(qtError(path, reason));
    }
    if (!file.commit())
        return Expected<Done, ServiceError>::failure(qtError(path, file.errorString()));
    return Done{};
}

Expected<Done, ServiceError> writeDirectly(const QByteArray& data, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Expected<Done, ServiceError>::failure(qtError(path, file.errorString()));
    if (file.write(data) != data.size())
        return Expected<Done, ServiceError>::failure(qtError(path, file.errorString()));
    return Done{};
}
}  // namespace

bool LiveFileSystem::fileExists(const QString& path) const
{
    struct stat st;
    return ::stat(native(path).constData(), &st) == 0;
}

bool LiveFileSystem::fileExists(const QString& path, bool* isDirectory) const
{
    struct stat st;
    const bool exists = ::stat(native(path).constData(), &st) == 0;
    if (isDirectory)
        *isDirectory = exists && S_ISDIR(st.st_mode);
    return exists;
}

bool LiveFileSystem::isExecutableFile(const QString& path) const
{
    struct stat st;
    const QByteArray p = native(path);
    return ::stat(p.constData(), &st) == 0 && !S_ISDIR(st.st_mode) && ::access(p.constData(), X_OK) == 0;
}

Expected<QByteArray, ServiceError> LiveFileSystem::contents(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Expected<QByteArray, ServiceError>::failure(qtError(path, file.errorString()));
    return file.readAll();
}

Expected<Done, ServiceError> LiveFileSystem::writeData(const QByteArray& data, const QString& path,
                                                       bool atomically) const
{
    return atomically ? saveAtomically(data, path) : writeDirectly(data, path);
}

QString LiveFileSystem::temporaryDirectory() const { return QDir::tempPath(); }

Expected<QString, ServiceError> LiveFileSystem::directory(DirectoryLocation location, bool create) const
{
    const auto standard = location == DirectoryLocation::caches ? QStandardPaths::GenericCacheLocation
                                                                : QStandardPaths::GenericDataLocation;
    QString path = QStandardPaths::writableLocation(standard);
    if (path.isEmpty())
        return Expected<QString, ServiceError>::failure(qtError(QStringLiteral("~"), QStringLiteral("No such folder")));
    if (create && !QDir().mkpath(path))
        return Expected<QString, ServiceError>::failure(qtError(path, QStringLiteral("Could not create the folder")));
    return path;
}

Expected<QStringList, ServiceError> LiveFileSystem::contentsOfDirectory(const QString& path) const
{
    QFileInfo info(path);
    if (!info.exists())
        return Expected<QStringList, ServiceError>::failure(errorFor(path, ENOENT));
    if (!info.isDir())
        return Expected<QStringList, ServiceError>::failure(errorFor(path, ENOTDIR));
    QDir dir(path);
    if (!dir.isReadable())
        return Expected<QStringList, ServiceError>::failure(errorFor(path, EACCES));
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

Expected<Done, ServiceError> LiveFileSystem::createDirectory(const QString& path, bool withIntermediateDirectories) const
{
    const QByteArray p = native(path);
    if (withIntermediateDirectories) {
        if (QDir().mkpath(path))
            return Done{};
        return Expected<Done, ServiceError>::failure(errorFor(path, errno ? errno : EACCES));
    }
    if (::mkdir(p.constData(), 0777) != 0)
        return Expected<Done, ServiceError>::failure(errorFor(path, errno));
    return Done{};
}

Expected<Done, ServiceError> LiveFileSystem::removeItem(const QString& path) const
{
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Expected<Done, ServiceError>::failure(errorFor(path, ENOENT));
    const bool ok = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!ok)
        return Expected<Done, ServiceError>::failure(errorFor(path, EACCES));
    return Done{};
}

QString LiveFileSystem::homeDirectory() const { return QDir::homePath(); }

Expected<Done, ServiceError> LiveFileSystem::moveItem(const QString& from, const QString& to) const
{
    struct stat st;
    if (::lstat(native(to).constData(), &st) == 0)
        return Expected<Done, ServiceError>::failure(errorFor(to, EEXIST));
    if (::rename(native(from).constData(), native(to).constData()) == 0)
        return Done{};
    if (errno != EXDEV)
        return Expected<Done, ServiceError>::failure(errorFor(from, errno));
    // Across file systems: copy, then remove the source.
    auto copied = copyItem(from, to);
    if (!copied)
        return copied;
    return removeItem(from);
}

Expected<Done, ServiceError> LiveFileSystem::writeText(const QString& text, const QString& path, bool atomically) const
{
    return writeData(text.toUtf8(), path, atomically);
}

Expected<FileAttributes, ServiceError> LiveFileSystem::attributesOfItem(const QString& path) const
{
    struct stat st;
    const QByteArray p = native(path);
    if (::lstat(p.constData(), &st) != 0)
        return Expected<FileAttributes, ServiceError>::failure(errorFor(path, errno));
    FileAttributes a;
    if (S_ISREG(st.st_mode))
        a.type = FileAttributes::Type::regular;
    else if (S_ISDIR(st.st_mode))
        a.type = FileAttributes::Type::directory;
    else if (S_ISLNK(st.st_mode))
        a.type = FileAttributes::Type::symbolicLink;
    else if (S_ISFIFO(st.st_mode))
        a.type = FileAttributes::Type::fifo;
    else if (S_ISSOCK(st.st_mode))
        a.type = FileAttributes::Type::socket;
    else
        a.type = FileAttributes::Type::other;
    a.size = st.st_size;
    a.modificationDate = QDateTime::fromSecsSinceEpoch(st.st_mtime);
    a.posixPermissions = st.st_mode & 07777;
    if (a.type == FileAttributes::Type::symbolicLink) {
        char resolved[PATH_MAX];
        if (::realpath(p.constData(), resolved))
            a.resolvedPath = QFile::decodeName(resolved);
    }
    return a;
}

Expected<Done, ServiceError> LiveFileSystem::setPosixPermissions(int permissions, const QString& path) const
{
    if (::chmod(native(path).constData(), static_cast<mode_t>(permissions)) != 0)
        return Expected<Done, ServiceError>::failure(errorFor(path, errno));
    return Done{};
}

Expected<Done, ServiceError> LiveFileSystem::copyItem(const QString& from, const QString& to) const
{
    QFileInfo info(from);
    if (!info.exists())
        return Expected<Done, ServiceError>::failure(errorFor(from, ENOENT));
    if (QFileInfo::exists(to))
        return Expected<Done, ServiceError>::failure(errorFor(to, EEXIST));
    if (info.isDir()) {
        if (!QDir().mkpath(to))
            return Expected<Done, ServiceError>::failure(errorFor(to, EACCES));
        const QDir source(from);
        for (const QString& name :
             source.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            auto copied = copyItem(source.filePath(name), QDir(to).filePath(name));
            if (!copied)
                return copied;
        }
        return Done{};
    }
    QFile file(from);
    if (!file.copy(to))
        return Expected<Done, ServiceError>::failure(qtError(to, file.errorString()));
    return Done{};
}

}  // namespace varnel
