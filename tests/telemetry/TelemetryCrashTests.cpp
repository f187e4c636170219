#include "engine/services/LiveFileSystem.h"
#include "engine/telemetry/TelemetryService.h"
#include "support/InMemoryKeyValueStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

// Crash safety of the pending file: whenever the process dies, the file holds
// either the list before a write or the list after it, never part of one.
// A victim (this program, started again with only the victim test) tracks and
// rewrites the file without pause; the test kills it at a random moment and
// reads what is left. bench/telemetry_crash.cpp does the same a thousand times.

using namespace varnel;
using namespace std::chrono_literals;

namespace {

constexpr const char* victimVariable = "VARNEL_TELEMETRY_CRASH_VICTIM";  // the pending file's path

// Three requests in four fail, so the queue grows and the file is rewritten after each step.
class FlakyBackend final : public HTTPFetching {
public:
    Expected<HttpDataResult, HttpError> data(const HttpRequest&, std::stop_token) const override
    {
        HttpDataResult result;
        result.response.statusCode = ++calls_ % 4 ? 503 : 201;
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
    mutable std::atomic<unsigned> calls_{0};
};

}  // namespace

TEST(TelemetryCrashVictim, TracksAndRewritesThePendingFileUntilKilled)
{
    const QString pendingPath = qEnvironmentVariable(victimVariable);
    if (pendingPath.isEmpty())
        GTEST_SKIP() << "runs only when started by TelemetryCrashSafety";
    TelemetryService::Configuration c;
    c.appID = QStringLiteral("varnel-test");
    const auto backend = std::make_shared<FlakyBackend>();
    c.fetcherFactory = [backend](const TelemetryService::Configuration&) { return backend; };
    c.kvStore = std::make_shared<varnel::testing::InMemoryKeyValueStore>();
    c.fs = std::make_shared<LiveFileSystem>();
    c.pendingFilePath = pendingPath;
    c.retryDelay = [](int) { return 0ms; };
    TelemetryService service(c);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0; i < 1'000'000; ++i) {
        // Events of varied size, so that successive files differ in length.
        service.track(QStringLiteral("crash_probe"), {{"iteration", i}, {"padding", QString(i % 400, u'p')}});
        if (i % 8 == 0)
            service.waitUntilIdle(10s);
    }
}

TEST(TelemetryCrashSafety, AKilledWriterLeavesTheOldListOrTheNewOne)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pendingPath = folder.filePath(QStringLiteral("pending-events.json"));
    std::mt19937 random(std::random_device{}());
    int files = 0;
    for (int kill = 0; kill < 6; ++kill) {
        QProcess victim;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(victimVariable), pendingPath);
        victim.setProcessEnvironment(environment);
        victim.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=TelemetryCrashVictim.*")});
        ASSERT_TRUE(victim.waitForStarted(10'000));
        while (!victim.readAllStandardOutput().contains("ready"))
            ASSERT_TRUE(victim.waitForReadyRead(10'000)) << "the victim never got going";
        // Long enough for the file to exist and grow; the moment within a write is chance.
        QThread::usleep(20'000 + random() % 80'000);
        victim.kill();
        ASSERT_TRUE(victim.waitForFinished(10'000));

        QFile file(pendingPath);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        ++files;
        const QByteArray contents = file.readAll();
        const auto events = TelemetryEvent::decodeList(contents);
        EXPECT_TRUE(events) << "kill " << kill << " left a broken file: " << contents.left(200).constData();
    }
    EXPECT_GT(files, 0) << "the kills landed before the first write";

    // The next start finds no temporary file of an interrupted write left over.
    TelemetryService::Configuration c;
    c.disabled = true;
    c.fs = std::make_shared<LiveFileSystem>();
    c.pendingFilePath = pendingPath;
    TelemetryService next(c);
    ASSERT_TRUE(next.waitUntilIdle(30s));
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("pending-events.json.*")}, QDir::Files | QDir::Hidden),
              QStringList());
}
