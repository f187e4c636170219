#include "ShellTestHome.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace varnel::testing {

ShellTestHome::ShellTestHome()
    : home_(QFileInfo(dir_.path()).canonicalFilePath()), fs_(home_)
{
}

void ShellTestHome::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(path(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray ShellTestHome::read(const QString& name) const
{
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ShellTestHome::exists(const QString& name) const
{
    struct stat st;
    return ::lstat(QFile::encodeName(path(name)).constData(), &st) == 0;
}

bool ShellTestHome::isLink(const QString& name) const
{
    struct stat st;
    return ::lstat(QFile::encodeName(path(name)).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

int ShellTestHome::mode(const QString& name) const
{
    struct stat st;
    return ::stat(QFile::encodeName(path(name)).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

std::map<std::string, std::string> ShellTestHome::snapshot() const
{
    std::map<std::string, std::string> items;
    QDirIterator it(home_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QFileInfo info(file);
        const QString name = QDir(home_).relativeFilePath(file);
        struct stat st;
        ::lstat(QFile::encodeName(file).constData(), &st);
        QByteArray entry = QByteArray::number(int(st.st_mode), 8) + ' ';
        if (info.isSymLink()) {
            entry += "-> " + QFile::encodeName(info.symLinkTarget());
        } else if (info.isFile()) {
            QFile f(file);
            if (f.open(QIODevice::ReadOnly))
                entry += f.readAll();
        }
        items[name.toStdString()] = entry.toStdString();
    }
    return items;
}

ActiveProduct::ActiveProduct(ProductConfig product) : previous_(ProductConfig::current())
{
    ProductConfig::setCurrent(std::move(product));
}

ActiveProduct::~ActiveProduct() { ProductConfig::setCurrent(*previous_); }

bool canRunUnprivileged() { return ::geteuid() != 0 || ::getpwnam("nobody") != nullptr; }

bool othersCanReach(const QString& path)
{
    for (QDir dir = QFileInfo(path).dir(); !dir.isRoot(); dir.cdUp()) {
        struct stat st;
        if (::stat(QFile::encodeName(dir.path()).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
    }
    return true;
}

std::string runUnprivileged(const std::function<std::string()>& body)
{
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    const bool dropRoot = uid == 0;
    if (dropRoot) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody)
            return "no user named nobody";
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }

    int channel[2];
    if (::pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        ::close(channel[0]);
        if (dropRoot && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::getuid() == 0))
            ::_exit(3);
        const std::string report = body();
        size_t sent = 0;
        while (sent < report.size()) {
            const ssize_t n = ::write(channel[1], report.data() + sent, report.size() - sent);
            if (n <= 0)
                break;
            sent += size_t(n);
        }
        // No destructors, no atexit handlers: they belong to the parent.
        ::_exit(0);
    }

    ::close(channel[1]);
    std::string report;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool timedOut = false;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd pfd{channel[0], POLLIN, 0};
        if (::poll(&pfd, 1, int(left.count())) <= 0)
            continue;
        char buffer[1024];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        report.append(buffer, size_t(n));
    }
    ::close(channel[0]);
    if (timedOut)
        ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (timedOut)
        return "the unprivileged child hung";
    if (!WIFEXITED(status))
        return "the unprivileged child crashed";
    if (WEXITSTATUS(status) == 3)
        return "the child could not give up root";
    return report;
}

}  // namespace varnel::testing
