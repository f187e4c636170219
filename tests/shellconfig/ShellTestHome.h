#pragma once

#include "engine/services/LiveFileSystem.h"
#include "engine/shellconfig/FileAppendWriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <string>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnel::testing {

inline const ShellMarker testMarker{QStringLiteral("Varnel"), false};

// A real, empty home folder in the temporary directory and a LiveFileSystem
// whose home it is. Names are relative to the home folder. The agent tests
// use it too.
class ShellTestHome {
public:
    ShellTestHome() : home_(QFileInfo(dir_.path()).canonicalFilePath()), fs_(home_) {}

    const LiveFileSystem& fs() const { return fs_; }
    QString path(const QString& name = {}) const { return name.isEmpty() ? home_ : QDir(home_).filePath(name); }
    QByteArray native(const QString& name) const { return QFile::encodeName(path(name)); }
    FileAppendWriter writer(const QString& name, const FileSystemOperating* fs = nullptr) const
    {
        return FileAppendWriter(path(name), fs ? *fs : fs_, testMarker);
    }

    void write(const QString& name, const QByteArray& bytes, int mode = 0644) const
    {
        mkdir(QFileInfo(path(name)).path());
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        file.close();
        chmod(name, mode);
    }
    void mkdir(const QString& name) const { QDir().mkpath(path(name)); }
    QByteArray read(const QString& name) const  // empty when missing
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return ::lstat(native(name).constData(), &st_) == 0; }
    bool isLink(const QString& name) const { return exists(name) && S_ISLNK(st_.st_mode); }
    // The permission bits of what the name leads to; -1 when missing.
    int mode(const QString& name) const { return ::stat(native(name).constData(), &st_) == 0 ? int(st_.st_mode & 07777) : -1; }
    bool link(const QString& name, const QString& to) const { return ::symlink(to.toUtf8().constData(), native(name).constData()) == 0; }
    void chmod(const QString& name, int mode) const { ::chmod(native(name).constData(), mode_t(mode)); }

    // Every item under the home folder: its mode, and its bytes or where it links to.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> items;
        QDirIterator it(home_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            exists(info.filePath());
            QByteArray entry = QByteArray::number(int(st_.st_mode), 8) + ' ';
            entry += info.isSymLink() ? "-> " + info.symLinkTarget().toUtf8()
                                      : info.isFile() ? read(info.filePath()) : QByteArray();
            items[QDir(home_).relativeFilePath(info.filePath()).toStdString()] = entry.toStdString();
        }
        return items;
    }

private:
    QTemporaryDir dir_;
    QString home_;
    LiveFileSystem fs_;
    mutable struct stat st_ {};
};

// Whether a child can run without the right to write what is not its own
// (as root: as the user "nobody") and still reach `path`.
inline bool canRunUnprivilegedIn(const QString& path)
{
    if (::geteuid() == 0 && !::getpwnam("nobody"))
        return false;
    struct stat st;
    for (QDir dir = QFileInfo(path).dir(); !dir.isRoot(); dir.cdUp())
        if (::stat(QFile::encodeName(dir.path()).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
    return true;
}

// Runs `body` in such a child (root ignores permission bits, so only a real
// unprivileged user shows what a user on a Mac gets). `body` returns an empty
// text when all went as expected; the result is that text, or why the child failed.
inline std::string runUnprivileged(const std::function<std::string()>& body)
{
    const passwd* nobody = ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    int channel[2];
    if (::pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60);  // a child that hangs dies
        if (nobody && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
                       ::setuid(nobody->pw_uid) != 0 || ::getuid() == 0))
            ::_exit(3);
        const std::string report = body();
        const bool sent = ::write(channel[1], report.data(), report.size()) == ssize_t(report.size());
        ::_exit(sent ? 0 : 4);  // no destructors or atexit handlers: they are the parent's
    }
    ::close(channel[1]);
    std::string report;
    char buffer[1024];
    for (ssize_t n; child > 0 && (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, size_t(n));
    ::close(channel[0]);
    int status = -1;
    if (child > 0)
        ::waitpid(child, &status, 0);
    return status == 0 ? report : "the unprivileged child failed, status " + std::to_string(status);
}

}  // namespace varnel::testing
