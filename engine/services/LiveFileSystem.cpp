#include "engine/services/LiveFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

namespace varnel {

namespace {
QByteArray native(const QString& path) { return QFile::encodeName(path); }

ServiceError errorFor(const QString& path, int err) { return ServiceError::fromErrno(err, path); }

template <typename T = Done>
Expected<T, ServiceError> failure(const QString& path, int err)
{
    return Expected<T, ServiceError>::failure(errorFor(path, err));
}

ServiceError qtError(const QString& path, const QString& reason)
{
    return ServiceError{path + QStringLiteral(": ") + reason, 0, QStringLiteral("qt")};
}

QString parentOf(const QString& path)
{
    const QString parent = QFileInfo(path).absolutePath();
    return parent.isEmpty() ? QStringLiteral("/") : parent;
}

// Where a write to `path` lands: the final target when `path` is a symbolic
// link (a chain of links, relative ones included), otherwise `path` itself.
// A link that leads nowhere is an error: writing would either replace the
// link with a file or create a file somewhere unexpected.
Expected<QString, ServiceError> writeDestination(const QString& path)
{
    struct stat st;
    const QByteArray p = native(path);
    if (::lstat(p.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (!::realpath(p.constData(), resolved))
        return failure<QString>(path, errno);
    return QFile::decodeName(resolved);
}

// Writes through QSaveFile: the data goes to a temporary file in the same
// folder that replaces the destination only once it is complete, so a full
// disk or a crash never leaves half a file behind.
Expected<Done, ServiceError> saveAtomically(const QByteArray& data, const QString& path)
{
    auto destination = writeDestination(path);
    if (!destination)
        return Expected<Done, ServiceError>::failure(destination.error());
    const QString target = destination.value();

    struct stat existing;
    const bool existed = ::stat(native(target).constData(), &existing) == 0;
    if (existed && S_ISDIR(existing.st_mode))
        return failure(target, EISDIR);

    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Expected<Done, ServiceError>::failure(qtError(target, file.errorString()));
    // The replacement takes the old file's mode, so a private ~/.zprofile
    // (0600) does not become world-readable when it is rewritten.
    if (existed && ::fchmod(file.handle(), existing.st_mode & 07777) != 0) {
        const int err = errno;
        file.cancelWriting();
        return failure(target, err);
    }
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Expected<Done, ServiceError>::failure(qtError(target, reason));
    }
    if (!file.commit())
        return Expected<Done, ServiceError>::failure(qtError(target, file.errorString()));
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

// faccessat with AT_EACCESS asks about the effective user, which is the one
// whose rights a write will actually use.
int accessError(const QString& path, int mode)
{
    return ::faccessat(AT_FDCWD, native(path).constData(), mode, AT_EACCESS) == 0 ? 0 : errno;
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
    // Opening a named pipe for reading blocks until someone writes to it;
    // O_NONBLOCK makes the open return at once so the type can be checked.
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failure<QByteArray>(path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failure<QByteArray>(path, err);
    }
    if (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
        ::close(fd);
        return failure<QByteArray>(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    QByteArray data;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        data.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, static_cast<qsizetype>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int err = errno;
            ::close(fd);
            return failure<QByteArray>(path, err);
        }
    }
    ::close(fd);
    return data;
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
        return failure<QStringList>(path, ENOENT);
    if (!info.isDir())
        return failure<QStringList>(path, ENOTDIR);
    QDir dir(path);
    if (!dir.isReadable())
        return failure<QStringList>(path, EACCES);
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

Expected<Done, ServiceError> LiveFileSystem::createDirectory(const QString& path,
                                                             bool withIntermediateDirectories) const
{
    const QByteArray p = native(path);
    if (withIntermediateDirectories) {
        errno = 0;
        if (QDir().mkpath(path))
            return Done{};
        return failure(path, errno ? errno : EACCES);
    }
    if (::mkdir(p.constData(), 0777) != 0)
        return failure(path, errno);
    return Done{};
}

Expected<Done, ServiceError> LiveFileSystem::removeItem(const QString& path) const
{
    struct stat st;
    const QByteArray p = native(path);
    if (::lstat(p.constData(), &st) != 0)
        return failure(path, errno);
    if (S_ISDIR(st.st_mode)) {
        errno = 0;
        if (!QDir(path).removeRecursively())
            return failure(path, errno ? errno : EACCES);
        return Done{};
    }
    // A link is removed itself, never what it points to.
    if (::unlink(p.constData()) != 0)
        return failure(path, errno);
    return Done{};
}

QString LiveFileSystem::homeDirectory() const { return home_.isEmpty() ? QDir::homePath() : home_; }

Expected<Done, ServiceError> LiveFileSystem::moveItem(const QString& from, const QString& to) const
{
    struct stat st;
    if (::lstat(native(to).constData(), &st) == 0)
        return failure(to, EEXIST);
    if (::rename(native(from).constData(), native(to).constData()) == 0)
        return Done{};
    if (errno != EXDEV)
        return failure(from, errno);
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
        return failure<FileAttributes>(path, errno);
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
        return failure(path, errno);
    return Done{};
}

Expected<Done, ServiceError> LiveFileSystem::copyItem(const QString& from, const QString& to) const
{
    // lstat throughout: a link is copied as the link it is, so a link to a
    // folder outside the tree, or to a folder above it, is never walked into.
    struct stat st, existing;
    const QByteArray source = native(from), destination = native(to);
    if (::lstat(source.constData(), &st) != 0)
        return failure(from, errno);
    if (::lstat(destination.constData(), &existing) == 0)
        return failure(to, EEXIST);

    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX), '\0');
        const ssize_t length = ::readlink(source.constData(), target.data(), target.size());
        if (length < 0)
            return failure(from, errno);
        target.resize(static_cast<size_t>(length));
        if (::symlink(target.c_str(), destination.constData()) != 0)
            return failure(to, errno);
        return Done{};
    }
    if (S_ISDIR(st.st_mode)) {
        // Private until filled, then the source folder's own mode.
        if (::mkdir(destination.constData(), 0700) != 0)
            return failure(to, errno);
        const QDir folder(from);
        for (const QString& name : folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                    QDir::NoDotAndDotDot)) {
            auto copied = copyItem(folder.filePath(name), QDir(to).filePath(name));
            if (!copied)
                return copied;
        }
        if (::chmod(destination.constData(), st.st_mode & 07777) != 0)
            return failure(to, errno);
        return Done{};
    }
    if (!S_ISREG(st.st_mode))
        return failure(from, EINVAL);  // a pipe or a socket has no contents to copy
    // QFile::copy fills a private temporary file and gives it the source's
    // permissions before it takes the final name, so a copy of a 0600 file
    // is never readable by others, not even for a moment.
    QFile file(from);
    if (!file.copy(to))
        return Expected<Done, ServiceError>::failure(qtError(to, file.errorString()));
    return Done{};
}

Expected<Done, ServiceError> LiveFileSystem::createFile(const QByteArray& data, const QString& path,
                                                        int permissions) const
{
    // O_EXCL with O_CREAT fails on any existing name, and never follows a
    // link, not even a dangling one; O_NOFOLLOW says so once more.
    const QByteArray p = native(path);
    const int fd = ::open(p.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return failure(path, errno);
    int err = ::fchmod(fd, static_cast<mode_t>(permissions)) == 0 ? 0 : errno;
    for (qsizetype done = 0; err == 0 && done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n >= 0)
            done += n;
        else if (errno != EINTR)
            err = errno;
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0)
        return Done{};
    ::unlink(p.constData());
    return failure(path, err);
}

Expected<Done, ServiceError> LiveFileSystem::checkWritable(const QString& path) const
{
    auto destination = writeDestination(path);
    if (!destination)
        return Expected<Done, ServiceError>::failure(destination.error());
    const QString target = destination.value();
    const QString folder = parentOf(target);

    struct stat st;
    if (::stat(native(target).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return failure(target, EISDIR);
        if (const int err = accessError(target, W_OK))
            return failure(target, err);
    } else if (errno != ENOENT) {
        return failure(target, errno);
    }
    // Atomic writes create the replacement next to the file.
    if (const int err = accessError(folder, W_OK | X_OK))
        return failure(folder, err);
    return Done{};
}

std::optional<qint64> LiveFileSystem::availableCapacity(const QString& path) const
{
    struct statvfs vfs;
    if (::statvfs(native(path).constData(), &vfs) != 0)
        return std::nullopt;
    return static_cast<qint64>(vfs.f_bavail) * static_cast<qint64>(vfs.f_frsize);
}

}  // namespace varnel
