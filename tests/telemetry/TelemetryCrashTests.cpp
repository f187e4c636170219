#include "engine/config/ProductConfig.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/telemetry/TelemetryService.h"
#include "support/InMemoryKeyValueStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Crash safety of the pending file: whenever the process dies, the file holds
// either the list before a write or the list after it, never half of one.
//
// Starting the test program takes longer than the moment worth hitting, so
// the parent test starts it once as a "zygote" (the child-only test below);
// the zygote forks a victim that tracks and flushes as fast as it can, kills
// it at a random moment of its write loop, checks the file, and repeats.
// Forking is safe there: the zygote has no other thread when it forks.

using namespace varnel;
using namespace std::chrono_literals;

namespace {

constexpr const char* zygoteVariable = "VARNEL_TELEMETRY_CRASH_ZYGOTE";     // the zygote's folder
constexpr const char* killsVariable = "VARNEL_TELEMETRY_CRASH_KILLS";       // how many victims it kills
constexpr int totalKills = 1000;
constexpr int zygoteCount = 2;  // one per core

// A backend with outages: while `failing`, nine requests in ten get a 503,
// so the queue grows and the file is rewritten after every step; otherwise it
// accepts everything, the queue drains and the file is deleted.
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
    c.endpointURL = QUrl(QStringLiteral("http://127.0.0.1:9/usage_events"));
    c.anonKey = QStringLiteral("key");
    c.appVersion = QStringLiteral("0.1 (1)");
    c.appID = QStringLiteral("varnel-cli");
    c.runContext = QStringLiteral("crash-test");
    const auto backend = std::make_shared<FlakyBackend>(seed);
    // A victim killed during an outage leaves a longer queue to the next one;
    // starting some victims with a healthy backend keeps the queue short.
    backend->setFailing(seed % 2 == 0);
    c.fetcherFactory = [backend](const TelemetryService::Configuration&) { return backend; };
    c.kvStore = std::make_shared<varnel::testing::InMemoryKeyValueStore>();
    c.fs = std::make_shared<LiveFileSystem>();
    c.pendingFilePath = pendingPath;
    c.retryDelay = [](int) { return 0ms; };

    const pid_t zygote = ::getppid();
    TelemetryService service(c);
    // From here on the service's thread loads, sends and writes without pause.
    const char byte = 'r';
    [[maybe_unused]] ssize_t n = ::write(readyFd, &byte, 1);
    ::close(readyFd);

    std::minstd_rand random(seed);
    for (int i = 0;;) {
        // Events of varied size, so that successive files differ in length.
        for (int burst = 0; burst < 4; ++burst, ++i)
            service.track(QStringLiteral("crash_probe"),
                          {{"iteration", i}, {"padding", QString(static_cast<int>(random() % 400), u'p')}});
        service.waitUntilIdle(10s);
        // Outages come and go; the queue stays between empty and a few dozen events.
        const size_t queued = service.pendingEvents().size();
        if (queued > 24)
            backend->setFailing(false);
        else if (queued == 0)
            backend->setFailing(random() % 4 != 0);
        if (::getppid() != zygote)  // the zygote is gone: nobody will kill us
            ::_exit(0);
    }
}

}  // namespace

TEST(TelemetryCrashChild, ForksVictimsAndKillsThemAtRandomMoments)
{
    const QString folder = qEnvironmentVariable(zygoteVariable);
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only when started by TelemetryCrashSafety";
    const QString pendingPath = QDir(folder).filePath(QStringLiteral("pending-events.json"));
    const int kills = qEnvironmentVariableIntValue(killsVariable);
    ASSERT_GT(kills, 0);

    std::mt19937 random(static_cast<unsigned>(::getpid()));
    std::uniform_int_distribution<int> moment(0, 3000);  // microseconds into the victim's work
    using Clock = std::chrono::steady_clock;
    Clock::duration forkTime{}, startTime{};
    int files = 0, absent = 0, undecodable = 0, unready = 0;
    size_t mostEvents = 0;
    // Built before forking, so that each victim starts writing sooner.
    (void)ProductConfig::current();
    for (int i = 0; i < kills; ++i) {
        const unsigned seed = random();
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const auto forkStart = Clock::now();
        const pid_t victim = ::fork();
        ASSERT_GE(victim, 0);
        if (victim == 0) {
            ::close(ready[0]);
            runVictim(pendingPath, seed, ready[1]);
        }
        ::close(ready[1]);
        const auto forked = Clock::now();
        pollfd wait{ready[0], POLLIN, 0};
        if (::poll(&wait, 1, 5000) != 1)
            ++unready;
        forkTime += forked - forkStart;
        startTime += Clock::now() - forked;
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
        const QByteArray contents = file.readAll();
        auto events = TelemetryEvent::decodeList(contents);
        if (!events) {
            ++undecodable;
            ADD_FAILURE() << "kill " << i << " left an undecodable file (" << events.error().toStdString()
                          << "): " << contents.left(200).constData();
            QFile::remove(pendingPath);
            continue;
        }
        mostEvents = std::max(mostEvents, events.value().size());
    }
    // QSaveFile's temporary files of the writes that were cut short.
    const qsizetype temporaryFiles =
        QDir(folder).entryList({QStringLiteral("pending-events.json.*")}, QDir::Files | QDir::Hidden).size();
    std::printf("crash-stats kills=%d files=%d absent=%d undecodable=%d unready=%d most_events=%zu temporary_files=%lld "
                "mean_fork_us=%lld mean_start_us=%lld\n",
                kills, files, absent, undecodable, unready, mostEvents, static_cast<long long>(temporaryFiles),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(forkTime).count() / kills),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(startTime).count() / kills));
    std::fflush(stdout);
}

TEST(TelemetryCrashSafety, PendingFileSurvivesAThousandKillsAtRandomMoments)
{
    // A kill leaves the page cache intact, so flushing to the disk adds
    // nothing to this test but time: where there is a memory file system,
    // the files live there.
    const bool memoryFileSystem = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    std::vector<std::unique_ptr<QTemporaryDir>> folders;
    std::vector<std::unique_ptr<QProcess>> zygotes;
    for (int z = 0; z < zygoteCount; ++z) {
        folders.push_back(std::make_unique<QTemporaryDir>(
            (memoryFileSystem ? QStringLiteral("/dev/shm") : QDir::tempPath()) + QStringLiteral("/varnel-telemetry-XXXXXX")));
        ASSERT_TRUE(folders.back()->isValid());
        auto zygote = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(zygoteVariable), folders.back()->path());
        environment.insert(QString::fromLatin1(killsVariable), QString::number(totalKills / zygoteCount));
        zygote->setProcessEnvironment(environment);
        zygote->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=TelemetryCrashChild.*")});
        ASSERT_TRUE(zygote->waitForStarted(10'000));
        zygotes.push_back(std::move(zygote));
    }

    int kills = 0, files = 0, undecodable = 0, unready = 0;
    for (const auto& zygote : zygotes) {
        ASSERT_TRUE(zygote->waitForFinished(300'000)) << "a zygote did not finish";
        const QString output = QString::fromUtf8(zygote->readAllStandardOutput());
        EXPECT_EQ(zygote->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(zygote->exitCode(), 0) << output.toStdString();
        const QRegularExpressionMatch stats =
            QRegularExpression(QStringLiteral("crash-stats kills=(\\d+) files=(\\d+) absent=\\d+ undecodable=(\\d+) "
                                              "unready=(\\d+).*"))
                .match(output);
        ASSERT_TRUE(stats.hasMatch()) << output.toStdString();
        kills += stats.captured(1).toInt();
        files += stats.captured(2).toInt();
        undecodable += stats.captured(3).toInt();
        unready += stats.captured(4).toInt();
        std::printf("%s\n", qPrintable(stats.captured(0)));
    }
    EXPECT_EQ(kills, totalKills);
    EXPECT_EQ(undecodable, 0);
    EXPECT_EQ(unready, 0) << "every victim got going";
    // The kills must land while the victims write, not only before they start.
    EXPECT_GT(files, totalKills / 10);
}
