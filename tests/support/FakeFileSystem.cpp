#include "support/FakeFileSystem.h"

#include <QDir>

#include <cerrno>

namespace varnel::testing {

namespace {
template <typename T>
Expected<T, ServiceError> fail(const QString& path, int err)
{
    return Expected<T, ServiceError>::failure(ServiceError::fromErrno(err, path));
}
}  // namespace

FakeFileSystem::FakeFileSystem(QString home) : home_(std::move(home))
{
    addDirectory(home_);
}

QString FakeFileSystem::normalized(const QString& path)
{
    QString p = QDir::cleanPath(path);
    return p.isEmpty() ? QStringLiteral("/") : p;
}

void FakeFileSystem::addParentsLocked(const QString& path) const
{
    QString parent = normalized(path);
    while (true) {
        const int slash = parent.lastIndexOf(u'/');
        if (slash <= 0)
            break;
        parent = parent.left(slash);
        directories_.insert(parent);
    }
    directories_.insert(QStringLiteral("/"));
}

bool FakeFileSystem::isDirectoryLocked(const QString& path) const { return directories_.count(normalized(path)) > 0; }

void FakeFileSystem::addFile(const QString& path, const QByteArray& contents, int permissions)
{
    std::lock_guard guard(lock_);
    addParentsLocked(path);
    files_[normalized(path)] = File{contents, permissions};
}

void FakeFileSystem::addDirectory(const QString& path)
{
    std::lock_guard guard(lock_);
    addParentsLocked(path);
    directories_.insert(normalized(path));
}

QByteArray FakeFileSystem::fileContents(const QString& path) const
{
    std::lock_guard guard(lock_);
    auto it = files_.find(normalized(path));
    return it == files_.end() ? QByteArray() : it->second.contents;
}

bool FakeFileSystem::fileExists(const QString& path) const { return fileExists(path, nullptr); }

bool FakeFileSystem::fileExists(const QString& path, bool* isDirectory) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    const bool dir = directories_.count(p) > 0;
    if (isDirectory)
        *isDirectory = dir;
    return dir || files_.count(p) > 0;
}

bool FakeFileSystem::isExecutableFile(const QString& path) const
{
    std::lock_guard guard(lock_);
    auto it = files_.find(normalized(path));
    return it != files_.end() && (it->second.permissions & 0111);
}

Expected<QByteArray, ServiceError> FakeFileSystem::contents(const QString& path) const
{
    std::lock_guard guard(lock_);
    auto it = files_.find(normalized(path));
    if (it == files_.end())
        return fail<QByteArray>(path, isDirectoryLocked(path) ? EISDIR : ENOENT);
    return it->second.contents;
}

Expected<Done, ServiceError> FakeFileSystem::writeData(const QByteArray& data, const QString& path, bool) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    if (directories_.count(p))
        return fail<Done>(path, EISDIR);
    const QString parent = p.left(p.lastIndexOf(u'/'));
    if (!parent.isEmpty() && !isDirectoryLocked(parent))
        return fail<Done>(path, ENOENT);
    auto it = files_.find(p);
    const int permissions = it == files_.end() ? 0644 : it->second.permissions;
    files_[p] = File{data, permissions};
    return Done{};
}

Expected<Done, ServiceError> FakeFileSystem::createFile(const QByteArray& data, const QString& path,
                                                        int permissions) const
{
    {
        std::lock_guard guard(lock_);
        if (files_.count(normalized(path)) || directories_.count(normalized(path)))
            return fail<Done>(path, EEXIST);
    }
    auto written = writeData(data, path, false);
    if (written)
        return setPosixPermissions(permissions, path);
    return written;
}

Expected<QString, ServiceError> FakeFileSystem::directory(DirectoryLocation location, bool create) const
{
    const QString path = home_ + (location == DirectoryLocation::caches ? QStringLiteral("/Library/Caches")
                                                                       : QStringLiteral("/Library/Application Support"));
    if (create) {
        std::lock_guard guard(lock_);
        addParentsLocked(path);
        directories_.insert(normalized(path));
    }
    return path;
}

Expected<QStringList, ServiceError> FakeFileSystem::contentsOfDirectory(const QString& path) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    if (!directories_.count(p))
        return fail<QStringList>(path, files_.count(p) ? ENOTDIR : ENOENT);
    const QString prefix = p == QStringLiteral("/") ? p : p + u'/';
    QStringList names;
    auto collect = [&](const QString& entry) {
        if (entry.startsWith(prefix) && entry.size() > prefix.size() && !entry.mid(prefix.size()).contains(u'/'))
            names << entry.mid(prefix.size());
    };
    for (const auto& [name, file] : files_)
        collect(name);
    for (const QString& dir : directories_)
        collect(dir);
    names.sort();
    return names;
}

Expected<Done, ServiceError> FakeFileSystem::createDirectory(const QString& path, bool withIntermediateDirectories) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    if (files_.count(p))
        return fail<Done>(path, EEXIST);
    const QString parent = p.left(p.lastIndexOf(u'/'));
    if (!withIntermediateDirectories && !parent.isEmpty() && !isDirectoryLocked(parent))
        return fail<Done>(path, ENOENT);
    addParentsLocked(p);
    directories_.insert(p);
    return Done{};
}

Expected<Done, ServiceError> FakeFileSystem::removeItem(const QString& path) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    if (files_.erase(p))
        return Done{};
    if (!directories_.count(p))
        return fail<Done>(path, ENOENT);
    const QString prefix = p + u'/';
    std::erase_if(files_, [&](const auto& entry) { return entry.first.startsWith(prefix); });
    std::erase_if(directories_, [&](const QString& d) { return d == p || d.startsWith(prefix); });
    return Done{};
}

Expected<Done, ServiceError> FakeFileSystem::moveItem(const QString& from, const QString& to) const
{
    {
        std::lock_guard guard(lock_);
        if (files_.count(normalized(to)) || directories_.count(normalized(to)))
            return fail<Done>(to, EEXIST);
    }
    auto copied = copyItem(from, to);
    if (!copied)
        return copied;
    return removeItem(from);
}

Expected<Done, ServiceError> FakeFileSystem::writeText(const QString& text, const QString& path, bool atomically) const
{
    return writeData(text.toUtf8(), path, atomically);
}

Expected<FileAttributes, ServiceError> FakeFileSystem::attributesOfItem(const QString& path) const
{
    std::lock_guard guard(lock_);
    const QString p = normalized(path);
    FileAttributes a;
    if (auto it = files_.find(p); it != files_.end()) {
        a.type = FileAttributes::Type::regular;
        a.size = it->second.contents.size();
        a.posixPermissions = it->second.permissions;
        return a;
    }
    if (directories_.count(p)) {
        a.type = FileAttributes::Type::directory;
        a.posixPermissions = 0755;
        return a;
    }
    return fail<FileAttributes>(path, ENOENT);
}

Expected<Done, ServiceError> FakeFileSystem::setPosixPermissions(int permissions, const QString& path) const
{
    std::lock_guard guard(lock_);
    auto it = files_.find(normalized(path));
    if (it == files_.end())
        return directories_.count(normalized(path)) ? Expected<Done, ServiceError>(Done{}) : fail<Done>(path, ENOENT);
    it->second.permissions = permissions;
    return Done{};
}

Expected<Done, ServiceError> FakeFileSystem::copyItem(const QString& from, const QString& to) const
{
    std::lock_guard guard(lock_);
    const QString src = normalized(from), dst = normalized(to);
    if (files_.count(dst) || directories_.count(dst))
        return fail<Done>(to, EEXIST);
    if (auto it = files_.find(src); it != files_.end()) {
        addParentsLocked(dst);
        files_[dst] = it->second;
        return Done{};
    }
    if (!directories_.count(src))
        return fail<Done>(from, ENOENT);
    const QString prefix = src + u'/';
    std::map<QString, File> newFiles;
    for (const auto& [name, file] : files_)
        if (name.startsWith(prefix))
            newFiles[dst + name.mid(src.size())] = file;
    std::set<QString> newDirs{dst};
    for (const QString& d : directories_)
        if (d.startsWith(prefix))
            newDirs.insert(dst + d.mid(src.size()));
    addParentsLocked(dst);
    files_.insert(newFiles.begin(), newFiles.end());
    directories_.insert(newDirs.begin(), newDirs.end());
    return Done{};
}

}  // namespace varnel::testing
