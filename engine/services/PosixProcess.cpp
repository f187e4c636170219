#include "engine/services/PosixProcess.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <dirent.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#elif defined(__APPLE__)
#include <crt_externs.h>
#include <sys/proc.h>
#include <sys/sysctl.h>
#endif

#if !defined(__APPLE__)
extern char** environ;
#endif

namespace varnel {

namespace {

using Clock = std::chrono::steady_clock;

// Big reads keep the number of wake-ups low when a child prints megabytes.
constexpr std::size_t kReadSize = 64 * 1024;
// What we still read after the child has exited: everything it wrote fits in
// the pipe, so this only bounds a descendant that keeps writing.
constexpr std::size_t kDrainLimit = 4 * 1024 * 1024;
// How often we look for "the child exited but a descendant holds the pipe".
// Pipe traffic and EOF wake us without delay; this only runs while the pipes
// are quiet, and backs off for children that think for a long time.
constexpr std::chrono::milliseconds kFirstExitCheck{2};
constexpr std::chrono::milliseconds kLastExitCheck{100};
// How often a terminated group is looked at while its members wind down.
constexpr int kGroupCheckMilliseconds = 20;

char** currentEnviron()
{
#if defined(__APPLE__)
    return *_NSGetEnviron();
#else
    return environ;
#endif
}

void closeQuietly(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// A close-on-exec pipe whose ends are above 2: dup2 of a descriptor onto its
// own number would keep close-on-exec set, and the child would lose that stream.
bool makePipe(int fds[2])
{
#if defined(__linux__)
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
#else
    // No pipe2 here; POSIX_SPAWN_CLOEXEC_DEFAULT keeps children that other
    // threads start in this gap from inheriting the ends.
    if (::pipe(fds) != 0)
        return false;
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#endif
    for (int i = 0; i < 2; ++i) {
        if (fds[i] > STDERR_FILENO)
            continue;
        const int moved = ::fcntl(fds[i], F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        const int err = errno;
        ::close(fds[i]);
        fds[i] = moved;
        if (moved < 0) {
            closeQuietly(fds[1 - i]);
            errno = err;
            return false;
        }
    }
    return true;
}

int32_t statusCode(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return WTERMSIG(status);
    return -1;
}

int millisecondsUntil(Clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::max<decltype(left)>(left, 0));
}

}  // namespace

// Reads the child's pipes into the sink; closes each at end of file (a read
// error counts as one: the reader just stops).
class PosixProcess::PipeReader {
public:
    PipeReader(PosixProcess& process, const OutputSink& sink)
        : sink_(sink), buffer_(new char[kReadSize])  // no need to zero it
    {
        fds_[0] = &process.outputFd_;
        fds_[1] = &process.errorFd_;
    }

    bool isOpen() const { return *fds_[0] >= 0 || *fds_[1] >= 0; }

    // Waits up to `timeoutMs` (-1: no limit) for output and reads what came.
    // Returns the number of bytes read.
    std::size_t pollOnce(int timeoutMs)
    {
        pollfd polled[2];
        nfds_t count = 0;
        int which[2];
        for (int i = 0; i < 2; ++i) {
            if (*fds_[i] >= 0) {
                polled[count] = {*fds_[i], POLLIN, 0};
                which[count++] = i;
            }
        }
        const int ready = ::poll(count ? polled : nullptr, count, timeoutMs);
        if (ready <= 0)
            return 0;
        std::size_t total = 0;
        for (nfds_t k = 0; k < count; ++k) {
            if (polled[k].revents)
                total += readOnce(which[k]);
        }
        return total;
    }

    // Reads whatever is in the pipes right now.
    void drainAvailable()
    {
        std::size_t total = 0;
        while (isOpen() && total < kDrainLimit) {
            const std::size_t got = pollOnce(0);
            if (got == 0)
                break;
            total += got;
        }
    }

    void closeAll()
    {
        closeQuietly(*fds_[0]);
        closeQuietly(*fds_[1]);
    }

private:
    std::size_t readOnce(int which)
    {
        int& fd = *fds_[which];
        ssize_t got;
        do
            got = ::read(fd, buffer_.get(), kReadSize);
        while (got < 0 && errno == EINTR);
        if (got > 0) {
            sink_(which == 0 ? Channel::standardOutput : Channel::standardError, buffer_.get(),
                  static_cast<std::size_t>(got));
            return static_cast<std::size_t>(got);
        }
        if (got == 0 || errno != EAGAIN)
            closeQuietly(fd);
        // An end of file counts as progress for drainAvailable().
        return got == 0 ? 1 : 0;
    }

    const OutputSink& sink_;
    std::unique_ptr<char[]> buffer_;
    int* fds_[2];
};

Expected<std::shared_ptr<PosixProcess>, ServiceError> PosixProcess::launch(
    const QString& executable, const QStringList& arguments, const std::optional<Environment>& environment, Pipes pipes,
    std::chrono::milliseconds terminationGrace)
{
    using Result = Expected<std::shared_ptr<PosixProcess>, ServiceError>;

    const QByteArray path = QFile::encodeName(executable);
    std::vector<QByteArray> argumentBytes;
    argumentBytes.reserve(static_cast<std::size_t>(arguments.size()) + 1);
    argumentBytes.push_back(path);
    for (const QString& argument : arguments)
        argumentBytes.push_back(argument.toUtf8());
    std::vector<char*> argv;
    argv.reserve(argumentBytes.size() + 1);
    for (QByteArray& bytes : argumentBytes)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> environmentBytes;
    std::vector<char*> envp;
    if (environment) {
        environmentBytes.reserve(environment->size());
        for (const auto& [key, value] : *environment)
            environmentBytes.push_back((key + u'=' + value).toUtf8());
        envp.reserve(environmentBytes.size() + 1);
        for (QByteArray& bytes : environmentBytes)
            envp.push_back(bytes.data());
        envp.push_back(nullptr);
    }

    int output[2] = {-1, -1};
    int error[2] = {-1, -1};
    if (!makePipe(output))
        return Result::failure(ServiceError::fromErrno(errno));
    if (pipes == Pipes::separate && !makePipe(error)) {
        const int err = errno;
        closeQuietly(output[0]);
        closeQuietly(output[1]);
        return Result::failure(ServiceError::fromErrno(err));
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);

    int rc = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (rc == 0)
        rc = posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    if (rc == 0)
        rc = posix_spawn_file_actions_adddup2(&actions, pipes == Pipes::separate ? error[1] : output[1], STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Our own descriptors are close-on-exec already; this also covers ones that
    // a library opened without it.
    if (rc == 0)
        rc = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#if defined(__APPLE__)
    // Only what the file actions set up reaches the child: nothing that
    // another thread has just opened without close-on-exec.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
    // The child must not inherit a worker thread's blocked signals, nor a
    // SIGPIPE that a network library told us to ignore (ignored signals
    // survive exec, and `yes | head` would then never end).
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t everySignal;
    sigfillset(&everySignal);
    sigdelset(&everySignal, SIGKILL);
    sigdelset(&everySignal, SIGSTOP);
    if (rc == 0)
        rc = posix_spawnattr_setflags(&attributes, flags);
    if (rc == 0)
        rc = posix_spawnattr_setpgroup(&attributes, 0);
    if (rc == 0)
        rc = posix_spawnattr_setsigmask(&attributes, &noSignals);
    if (rc == 0)
        rc = posix_spawnattr_setsigdefault(&attributes, &everySignal);

    pid_t pid = -1;
    if (rc == 0)
        rc = ::posix_spawn(&pid, path.constData(), &actions, &attributes, argv.data(),
                           environment ? envp.data() : currentEnviron());

    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeQuietly(output[1]);
    closeQuietly(error[1]);
    if (rc != 0) {
        closeQuietly(output[0]);
        closeQuietly(error[0]);
        return Result::failure(ServiceError::fromErrno(rc));
    }
    return std::make_shared<PosixProcess>(Token{}, pid, output[0], error[0], terminationGrace);
}

PosixProcess::PosixProcess(Token, pid_t pid, int outputFd, int errorFd, std::chrono::milliseconds terminationGrace)
    : pid_(pid), outputFd_(outputFd), errorFd_(errorFd), terminationGrace_(terminationGrace)
{
}

PosixProcess::~PosixProcess()
{
    closeQuietly(outputFd_);
    closeQuietly(errorFd_);
    // Only when pump() never ran to its end: leave neither a zombie nor a group behind.
    if (!reaped_) {
        signalGroup(SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}

void PosixProcess::signalGroup(int signal) const
{
    ::kill(-pid_, signal);
    // A child that moved itself into another group (setsid, job control)
    // still gets the signal.
    if (::getpgid(pid_) != pid_)
        ::kill(pid_, signal);
}

void PosixProcess::terminate()
{
    std::lock_guard guard(lock_);
    if (reaped_)
        return;
    signalGroup(SIGTERM);
    // A stopped member would sit on the SIGTERM until continued.
    signalGroup(SIGCONT);
    if (terminating_)
        return;
    terminating_ = true;
    const auto deadline = Clock::now() + terminationGrace_;
    try {
        std::thread([self = shared_from_this(), deadline] { self->escalateAfterGrace(deadline); }).detach();
    } catch (const std::exception&) {
        // No thread for the grace: better a hard stop than none.
        signalGroup(SIGKILL);
        killed_ = true;
    }
}

void PosixProcess::escalateAfterGrace(Clock::time_point deadline)
{
    std::unique_lock guard(lock_);
    if (reapedChanged_.wait_until(guard, deadline, [this] { return reaped_; }))
        return;
    signalGroup(SIGKILL);
    killed_ = true;
}

int32_t PosixProcess::pump(const OutputSink& sink)
{
    PipeReader reader(*this, sink);
    // Usually the pipes reach end of file because the child exited, and no
    // timer is involved. A descendant can keep them open after the child has
    // gone, though (`zsh -lc 'server &'`), so while they are quiet we also
    // look for the child's exit from time to time.
    auto interval = std::chrono::duration_cast<Clock::duration>(kFirstExitCheck);
    auto nextCheck = Clock::now() + interval;
    bool exited = false;
    while (reader.isOpen()) {
        reader.pollOnce(millisecondsUntil(nextCheck));
        const auto now = Clock::now();
        if (now < nextCheck || !reader.isOpen())
            continue;
        if (hasExited()) {
            // Everything the child wrote before it exited is in the pipe now.
            reader.drainAvailable();
            exited = true;
            break;
        }
        interval = std::min<Clock::duration>(interval * 2, kLastExitCheck);
        nextCheck = now + interval;
    }
    if (!exited)
        waitUntilExited();
    waitForGroupAfterTermination(reader);
    // What a stopped program wrote while cleaning up ("Interrupted; cleaning up…").
    reader.drainAvailable();
    reader.closeAll();
    return reap();
}

namespace {
// Only an end counts: some systems also report a stopped child to WEXITED
// waits, and a suspended installer is not a finished one.
bool reportsAnEnd(const siginfo_t& info, pid_t pid)
{
    return info.si_pid == pid &&
           (info.si_code == CLD_EXITED || info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED);
}
}  // namespace

bool PosixProcess::hasExited() const
{
    siginfo_t info{};
    int rc;
    do
        rc = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    while (rc < 0 && errno == EINTR);
    // ECHILD: someone else reaped it (or SIGCHLD is ignored); it is gone either way.
    return rc < 0 ? errno == ECHILD : reportsAnEnd(info, pid_);
}

void PosixProcess::waitUntilExited() const
{
    // WNOWAIT leaves the child a zombie, so its pid stays ours until reap().
    for (;;) {
        siginfo_t info{};
        const int rc = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOWAIT);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0 || reportsAnEnd(info, pid_))
            return;
        // A stop was reported; the end is still to come.
        ::usleep(10'000);
    }
}

void PosixProcess::waitForGroupAfterTermination(PipeReader& reader)
{
    {
        std::lock_guard guard(lock_);
        if (!terminating_)
            return;
    }
    // After a stop the child is often gone before its descendants (a shell
    // dies at once, the installer it ran cleans up first). The group stays
    // ours while the child is an un-reaped zombie, so keep it that way until
    // the group is empty or the grace has run out and SIGKILL went out.
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (killed_)
                return;
        }
        if (!processGroupHasLiveMembers(pid_, pid_))
            return;
        reader.pollOnce(kGroupCheckMilliseconds);
    }
}

int32_t PosixProcess::reap()
{
    {
        std::lock_guard guard(lock_);
        reaped_ = true;
    }
    reapedChanged_.notify_all();
    int status = 0;
    pid_t got;
    do
        got = ::waitpid(pid_, &status, 0);
    while (got < 0 && errno == EINTR);
    return got == pid_ ? statusCode(status) : -1;
}

bool processGroupHasLiveMembers(pid_t pgid, pid_t except)
{
#if defined(__linux__)
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return ::kill(-pgid, 0) == 0;
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == except)
            continue;
        char path[64];
        std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char stat[512];
        const ssize_t size = ::read(fd, stat, sizeof stat - 1);
        ::close(fd);
        if (size <= 0)
            continue;
        stat[size] = '\0';
        // "pid (comm) state ppid pgrp …"; comm may itself hold ")".
        const char* afterName = std::strrchr(stat, ')');
        char state = 0;
        int parent = 0;
        int group = 0;
        if (!afterName || std::sscanf(afterName + 1, " %c %d %d", &state, &parent, &group) != 3)
            continue;
        if (group == pgid && state != 'Z' && state != 'X') {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
#elif defined(__APPLE__)
    int mib[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PGRP, static_cast<int>(pgid)};
    size_t size = 0;
    if (::sysctl(mib, 4, nullptr, &size, nullptr, 0) != 0)
        return ::kill(-pgid, 0) == 0;
    // Room for members that appear between the two calls.
    std::vector<kinfo_proc> members(size / sizeof(kinfo_proc) + 8);
    size = members.size() * sizeof(kinfo_proc);
    if (::sysctl(mib, 4, members.data(), &size, nullptr, 0) != 0)
        return ::kill(-pgid, 0) == 0;
    for (std::size_t i = 0; i < size / sizeof(kinfo_proc); ++i) {
        const kinfo_proc& member = members[i];
        if (member.kp_proc.p_pid != except && member.kp_proc.p_stat != SZOMB)
            return true;
    }
    return false;
#else
    (void)except;
    return ::kill(-pgid, 0) == 0;
#endif
}

}  // namespace varnel
