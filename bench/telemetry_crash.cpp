// Crash safety of the pending file at scale: a victim process tracks and
// rewrites the pending file as fast as it can and is killed at a random
// moment of its write loop, a thousand times (argument: the number of kills).
// Every file left behind must decode; ctest runs a handful of kills only.
//
//   undecodable         files a kill left broken (must be 0)
//   files / absent      kills that found a file / found none (queue empty)
//   most_events         the longest list a killed victim left
//   temporary_files     temporary files of interrupted writes before the next start
//   leftovers_after     …and after it (must be 0)
//
// The parent forks each victim before it has any thread of its own, so
// forking is safe; a victim never returns.

#include "engine/services/LiveFileSystem.h"
#include "engine/telemetry/TelemetryService.h"
#include "support/InMemoryKeyValueStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <atomic>
#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace varnel;
using namespace std::chrono_literals;

namespace {

// Outages that come and go: while failing, nine requests in ten get a 503, so
// the queue grows and the file is rewritten after every step; otherwise the
// queue drains and the file is deleted.
class FlakyBackend final : public HTTPFetching {
public:
    explicit FlakyBackend(unsigned seed) : random_(seed) {}
    void setFailing(bool failing) { failing_ = failing; }

    Expected<HttpDataResult, HttpError> data(const HttpRequest&, std::stop_token) const override
    {
        std::lock_guard guard(lock_);
        HttpDataResult result;
        result.response.statusCode = failing_ && random_() % 10 != 0 ? 503 : 201;
        return result;
    }
    Expected<HttpDownloadResult, HttpError> download(const QUrl&, const DownloadProgress&,
                                                     std::stop_token) const override
    {
        return Expected<HttpDownloadResult, HttpError>::failure({});
    }
    Expected<ThroughputSample, HttpError> sampleThroughput(const HttpRequest&, int64_t, double,
                                                           std::stop_token) const override
    {
        return Expected<ThroughputSample, HttpError>::failure({});
    }

private:
    mutable std::mutex lock_;
    mutable std::minstd_rand random_;
    std::atomic<bool> failing_{true};
};

[[noreturn]] void runVictim(const QString& pendingPath, unsigned seed, int readyFd)
{
    TelemetryService::Configuration c;
    c.appID = QStringLiteral("varnel-bench");
    const auto backend = std::make_shared<FlakyBackend>(seed);
    backend->setFailing(seed % 2 == 0);
    c.fetcherFactory = [backend](const TelemetryService::Configuration&) { return backend; };
    c.kvStore = std::make_shared<testing::InMemoryKeyValueStore>();
    c.fs = std::make_shared<LiveFileSystem>();
    c.pendingFilePath = pendingPath;
    c.retryDelay = [](int) { return 0ms; };

    const pid_t parent = ::getppid();
    TelemetryService service(c);
    const char byte = 'r';
    [[maybe_unused]] ssize_t n = ::write(readyFd, &byte, 1);
    ::close(readyFd);

    std::minstd_rand random(seed);
    for (int i = 0;;) {
        for (int burst = 0; burst < 4; ++burst, ++i)
            service.track(QStringLiteral("crash_probe"),
                          {{"iteration", i}, {"padding", QString(static_cast<int>(random() % 400), u'p')}});
        service.waitUntilIdle(10s);
        // The queue stays between empty and a few dozen events.
        const size_t queued = service.pendingEvents().size();
        if (queued > 24)
            backend->setFailing(false);
        else if (queued == 0)
            backend->setFailing(random() % 4 != 0);
        if (::getppid() != parent)  // nobody left to kill us
            ::_exit(0);
    }
}

void killWritersAtRandomMoments(benchmark::State& state)
{
    const int kills = static_cast<int>(state.range(0));
    // A kill leaves the page cache intact: a memory file system loses nothing here but time.
    const bool memory = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    for (auto _ : state) {
        QTemporaryDir folder((memory ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                             QStringLiteral("/varnel-crash-XXXXXX"));
        const QString pendingPath = folder.filePath(QStringLiteral("pending-events.json"));
        std::mt19937 random(static_cast<unsigned>(::getpid()));
        std::uniform_int_distribution<int> moment(0, 3000);  // microseconds into the victim's work
        int files = 0, absent = 0, undecodable = 0;
        size_t mostEvents = 0;
        for (int i = 0; i < kills; ++i) {
            int ready[2];
            if (::pipe(ready) != 0) {
                state.SkipWithError("pipe failed");
                return;
            }
            const pid_t victim = ::fork();
            if (victim == 0) {
                ::close(ready[0]);
                runVictim(pendingPath, random(), ready[1]);
            }
            ::close(ready[1]);
            pollfd wait{ready[0], POLLIN, 0};
            ::poll(&wait, 1, 5000);
            ::close(ready[0]);
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            ::kill(victim, SIGKILL);
            int status = 0;
            ::waitpid(victim, &status, 0);

            QFile file(pendingPath);
            if (!file.open(QIODevice::ReadOnly)) {
                ++absent;
                continue;
            }
            ++files;
            const auto events = TelemetryEvent::decodeList(file.readAll());
            if (!events) {
                ++undecodable;
                QFile::remove(pendingPath);
                continue;
            }
            mostEvents = std::max(mostEvents, events.value().size());
        }
        const auto temporaryFiles = [&] {
            return QDir(folder.path()).entryList({QStringLiteral("pending-events.json.*")}, QDir::Files | QDir::Hidden).size();
        };
        state.counters["temporary_files"] = static_cast<double>(temporaryFiles());
        {
            TelemetryService::Configuration c;
            c.disabled = true;
            c.fs = std::make_shared<LiveFileSystem>();
            c.pendingFilePath = pendingPath;
            TelemetryService next(c);
            next.waitUntilIdle();
        }
        state.counters["leftovers_after"] = static_cast<double>(temporaryFiles());
        state.counters["kills"] = kills;
        state.counters["files"] = files;
        state.counters["absent"] = absent;
        state.counters["undecodable"] = undecodable;
        state.counters["most_events"] = static_cast<double>(mostEvents);
        if (undecodable > 0)
            state.SkipWithError("a kill left an undecodable pending file");
    }
}

}  // namespace

BENCHMARK(killWritersAtRandomMoments)->Arg(1000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
