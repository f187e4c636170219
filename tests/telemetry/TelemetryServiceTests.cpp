#include "engine/services/Hosts.h"
#include "engine/config/ProductConfig.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/telemetry/TelemetryService.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/LocalHttpServer.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <mutex>

using namespace varnel;
using varnel::testing::InMemoryKeyValueStore;
using varnel::testing::LocalHttpServer;
using namespace std::chrono_literals;

namespace {

const QByteArray endpointPath = "/api/database/records/usage_events";

// Collects the program's log lines while it lives (the service logs from its own thread).
class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(previous_); }

    QStringList lines() const
    {
        std::lock_guard guard(lock());
        return storage();
    }
    bool contains(const QString& line) const { return lines().contains(line); }
    bool anyStartsWith(const QString& prefix) const
    {
        const QStringList all = lines();
        return std::any_of(all.begin(), all.end(), [&](const QString& l) { return l.startsWith(prefix); });
    }

private:
    static std::mutex& lock()
    {
        static std::mutex m;
        return m;
    }
    static QStringList& storage()
    {
        static QStringList lines;
        return lines;
    }
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        std::lock_guard guard(lock());
        storage() << message;
    }
    QtMessageHandler previous_ = nullptr;

public:
    static void clear()
    {
        std::lock_guard guard(lock());
        storage().clear();
    }
};

// Sets or unsets an environment variable for the length of a scope.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, std::optional<QByteArray> value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (hadValue_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    bool hadValue_;
    QByteArray old_;
};

JSONValue::Object onlyPayload(const LocalHttpServer::Request& request)
{
    auto body = JSONValue::decode(request.body);
    EXPECT_TRUE(body) << request.body.constData();
    if (!body || body->toArray().size() != 1) {
        ADD_FAILURE() << "the body is not a one-element array: " << request.body.constData();
        return {};
    }
    return body->toArray().front().toObject();
}

QString eventName(const LocalHttpServer::Request& request) { return onlyPayload(request).find("event_name")->toString(); }

QStringList eventNames(const std::vector<LocalHttpServer::Request>& requests)
{
    QStringList names;
    for (const auto& request : requests)
        names << eventName(request);
    return names;
}

class TelemetryServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(server.isListening());
        LogCapture::clear();
    }

    TelemetryService::Configuration configuration()
    {
        TelemetryService::Configuration c = TelemetryService::defaultConfiguration(pendingPath);
        c.endpointURL = server.url(QString::fromLatin1(endpointPath));
        c.disabled = false;  // the test environment switches telemetry off
        c.kvStore = store;
        c.retryDelay = [this](int attempt) {
            std::lock_guard guard(retryLock);
            retryAttempts.push_back(attempt);
            return 0ms;
        };
        return c;
    }

    void writePendingFile(const std::vector<TelemetryEvent>& events)
    {
        QDir().mkpath(QFileInfo(pendingPath).absolutePath());
        QFile file(pendingPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(TelemetryEvent::encodeList(events).value());
    }

    std::vector<TelemetryEvent> pendingFileEvents() const
    {
        QFile file(pendingPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        auto events = TelemetryEvent::decodeList(file.readAll());
        EXPECT_TRUE(events) << events.error().toStdString();
        return events ? events.value() : std::vector<TelemetryEvent>{};
    }

    static QStringList names(const std::vector<TelemetryEvent>& events)
    {
        QStringList result;
        for (const auto& e : events)
            result << e.eventName;
        return result;
    }

    QTemporaryDir directory;
    QString pendingPath = directory.filePath(QStringLiteral("Application Support/Varnel/pending-events.json"));
    LocalHttpServer server;
    std::shared_ptr<InMemoryKeyValueStore> store = std::make_shared<InMemoryKeyValueStore>();
    std::mutex retryLock;
    std::vector<int> retryAttempts;
    LogCapture log;
};

}  // namespace

TEST_F(TelemetryServiceTest, PostsEachEventAsAOneElementArrayWithTheSevenKeysAndTheSessionHeaders)
{
    server.route(endpointPath, LocalHttpServer::Response::text(201, "", ""));
    TelemetryService service(configuration());
    service.track(QStringLiteral("app_launched"), {{"macos_major", 14}, {"arch", "arm64"}});
    ASSERT_TRUE(service.waitUntilIdle(10s));

    ASSERT_EQ(server.requestCount(), 1u);
    const auto request = server.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(request.header("Authorization"), "Bearer " + service.configuration().anonKey.toUtf8());

    const JSONValue::Object payload = onlyPayload(request);
    EXPECT_EQ(payload.keys(), (QStringList{"session_id", "client_timestamp", "app_version", "app_id", "run_context",
                                           "event_name", "event_data"}));
    const QString sessionID = payload.find("session_id")->toString();
    EXPECT_EQ(sessionID, service.sessionID().toString(QUuid::WithoutBraces).toLower());
    EXPECT_EQ(sessionID, sessionID.toLower());
    EXPECT_EQ(store->string(ProductConfig::current()->sessionIDKey()), sessionID.toUpper())
        << "the stored id is upper case, the sent one lower case";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"))
                    .match(payload.find("client_timestamp")->toString())
                    .hasMatch())
        << payload.find("client_timestamp")->toString().toStdString();
    EXPECT_EQ(payload.find("app_version")->toString(), QStringLiteral("0.1 (1)"));
    EXPECT_EQ(payload.find("app_id")->toString(), ProductConfig::current()->appID);
    EXPECT_EQ(payload.find("event_name")->toString(), QStringLiteral("app_launched"));
    EXPECT_EQ(*payload.find("event_data"), JSONValue(JSONValue::Object{{"macos_major", 14}, {"arch", "arm64"}}));

    EXPECT_TRUE(service.pendingEvents().empty());
    EXPECT_FALSE(QFile::exists(pendingPath)) << "the file goes when the last event is delivered";
}

TEST_F(TelemetryServiceTest, AClientErrorDropsTheEventWithALogLineAndTheQueueMovesOn)
{
    server.route(endpointPath, [](const LocalHttpServer::Request& request) {
        return LocalHttpServer::Response::text(eventName(request) == "bad_event" ? 422 : 201, "");
    });
    TelemetryService service(configuration());
    service.track(QStringLiteral("bad_event"));
    service.track(QStringLiteral("good_event"));
    ASSERT_TRUE(service.waitUntilIdle(10s));

    EXPECT_EQ(eventNames(server.requests()), (QStringList{"bad_event", "good_event"}));
    EXPECT_TRUE(log.contains(
        QStringLiteral("Telemetry: dropping event after 422 (likely event_name or schema mismatch)")))
        << log.lines().join('\n').toStdString();
    EXPECT_TRUE(retryAttempts.empty()) << "a 4xx is final";
    EXPECT_TRUE(service.pendingEvents().empty());
    EXPECT_FALSE(QFile::exists(pendingPath));
}

TEST_F(TelemetryServiceTest, AServerErrorIsTriedThreeTimesThenKeptWithTheEventsBehindIt)
{
    std::atomic<int> status{503};
    server.route(endpointPath, [&](const LocalHttpServer::Request&) {
        return LocalHttpServer::Response::text(status.load(), "");
    });
    TelemetryService service(configuration());
    service.track(QStringLiteral("first"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), (QStringList{"first", "first", "first"})) << "three tries in all";
    EXPECT_EQ(retryAttempts, (std::vector<int>{0, 1}));

    // The next track starts another flush, which again stops at the head.
    service.track(QStringLiteral("second"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), QStringList(6, QStringLiteral("first")))
        << "the events behind a failing head are not attempted";
    EXPECT_EQ(TelemetryService::defaultRetryDelay(0), 500ms);
    EXPECT_EQ(TelemetryService::defaultRetryDelay(1), 1000ms);
    EXPECT_EQ(names(service.pendingEvents()), (QStringList{"first", "second"}));
    EXPECT_EQ(names(pendingFileEvents()), (QStringList{"first", "second"})) << "kept on disk as well";

    // The next flush starts again from the head.
    status = 201;
    server.clearRequests();
    service.flush();
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), (QStringList{"first", "second"}));
    EXPECT_FALSE(QFile::exists(pendingPath));

    // Transport failures are retried the same way.
    server.clearRequests();
    retryAttempts.clear();
    TelemetryService::Configuration unreachable = configuration();
    unreachable.endpointURL = QUrl(QStringLiteral("http://varnel-telemetry.invalid/api"));
    unreachable.pendingFilePath = directory.filePath(QStringLiteral("offline.json"));
    TelemetryService offline(unreachable);
    offline.track(QStringLiteral("offline"));
    ASSERT_TRUE(offline.waitUntilIdle(30s));
    EXPECT_EQ(retryAttempts, (std::vector<int>{0, 1}));
    EXPECT_EQ(names(offline.pendingEvents()), (QStringList{"offline"}));
}

TEST_F(TelemetryServiceTest, EventsGoStrictlyOneAtATimeInQueueOrder)
{
    LocalHttpServer::Response slow = LocalHttpServer::Response::text(201, "");
    slow.delay = 5ms;
    server.route(endpointPath, slow);
    TelemetryService service(configuration());
    QStringList tracked;
    for (int i = 0; i < 25; ++i) {
        tracked << QStringLiteral("event_%1").arg(i);
        service.track(tracked.back(), {{"index", i}});
    }
    ASSERT_TRUE(service.waitUntilIdle(20s));
    EXPECT_EQ(eventNames(server.requests()), tracked);
    EXPECT_EQ(server.maxConcurrentRequests(), 1);
    EXPECT_FALSE(QFile::exists(pendingPath));
}

TEST_F(TelemetryServiceTest, APendingFileFromAnEarlierRunIsSentFirst)
{
    const QUuid earlier = QUuid::createUuid();
    writePendingFile({{earlier, "2026-03-01T14:05:09.123Z", "0.1 (1)", "old_1", {{"n", 1}}},
                      {earlier, "2026-03-01T14:05:10.123Z", "0.1 (1)", "old_2", {}}});
    server.route(endpointPath, LocalHttpServer::Response::text(201, ""));

    TelemetryService service(configuration());
    service.track(QStringLiteral("new_1"));
    ASSERT_TRUE(service.waitUntilIdle(10s));

    const auto requests = server.requests();
    EXPECT_EQ(eventNames(requests), (QStringList{"old_1", "old_2", "new_1"}));
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(onlyPayload(requests[0]).find("session_id")->toString(),
              earlier.toString(QUuid::WithoutBraces).toLower());
    EXPECT_EQ(onlyPayload(requests[0]).find("client_timestamp")->toString(),
              QStringLiteral("2026-03-01T14:05:09.123Z"));
    EXPECT_FALSE(QFile::exists(pendingPath));
}

TEST_F(TelemetryServiceTest, AnUndecodablePendingFileIsLoggedKeptAndLaterOverwritten)
{
    QDir().mkpath(QFileInfo(pendingPath).absolutePath());
    {
        QFile file(pendingPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[{\"sessionID\": truncated");
    }
    server.route(endpointPath, LocalHttpServer::Response::text(503, ""));
    TelemetryService service(configuration());
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_TRUE(log.anyStartsWith(QStringLiteral("Telemetry: couldn't load pending events: ")))
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(server.requestCount(), 0u) << "a failed load starts no flush";
    {
        QFile file(pendingPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "[{\"sessionID\": truncated") << "the load leaves the file alone";
    }

    service.track(QStringLiteral("after_bad_file"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(names(pendingFileEvents()), (QStringList{"after_bad_file"}));
}

TEST_F(TelemetryServiceTest, AnUnwritablePendingFileIsLoggedAndTheQueueStaysInMemory)
{
    // A plain file where the folder should be.
    const QString blocker = directory.filePath(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    pendingPath = blocker + QStringLiteral("/pending-events.json");
    server.route(endpointPath, LocalHttpServer::Response::text(503, ""));

    TelemetryService service(configuration());
    service.track(QStringLiteral("kept_in_memory"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_TRUE(log.anyStartsWith(QStringLiteral("Telemetry: couldn't persist pending events: ")))
        << log.lines().join('\n').toStdString();
    EXPECT_EQ(names(service.pendingEvents()), (QStringList{"kept_in_memory"}));
}

TEST_F(TelemetryServiceTest, DisabledTelemetryQueuesNothingButStillDeliversAnEarlierRunsEvents)
{
    server.route(endpointPath, LocalHttpServer::Response::text(201, ""));
    TelemetryService::Configuration off = configuration();
    off.disabled = true;
    {
        TelemetryService service(off);
        service.track(QStringLiteral("ignored"));
        ASSERT_TRUE(service.waitUntilIdle(10s));
        EXPECT_TRUE(service.pendingEvents().empty());
    }
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(QFile::exists(pendingPath));

    writePendingFile({{QUuid::createUuid(), "2026-03-01T14:05:09.123Z", "0.1 (1)", "from_before", {}}});
    TelemetryService service(off);
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), (QStringList{"from_before"}));
    EXPECT_FALSE(QFile::exists(pendingPath));
}

TEST_F(TelemetryServiceTest, TheEnvironmentSwitchesAreReadExactlyAsWritten)
{
    struct Case {
        std::optional<QByteArray> value;
        bool disabled;
    };
    for (const Case& c : {Case{std::nullopt, false}, Case{"1", true}, Case{"true", false}, Case{"0", false},
                          Case{"", false}, Case{"yes", false}}) {
        ScopedEnvironment env("VARNEL_TELEMETRY_DISABLED", c.value);
        EXPECT_EQ(TelemetryService::defaultConfiguration(pendingPath).disabled, c.disabled)
            << (c.value ? c.value->constData() : "(unset)");
    }
    {
        ScopedEnvironment env("VARNEL_RUN_CONTEXT", std::nullopt);
        EXPECT_EQ(TelemetryService::defaultConfiguration(pendingPath).runContext, QStringLiteral("release"));
    }
    {
        ScopedEnvironment env("VARNEL_RUN_CONTEXT", QByteArray("ci nightly"));
        EXPECT_EQ(TelemetryService::defaultConfiguration(pendingPath).runContext, QStringLiteral("ci nightly"));
    }

    // An empty run context is set, and sent verbatim.
    ScopedEnvironment env("VARNEL_RUN_CONTEXT", QByteArray(""));
    server.route(endpointPath, LocalHttpServer::Response::text(201, ""));
    TelemetryService::Configuration c = configuration();
    EXPECT_EQ(c.runContext, QString());
    TelemetryService service(c);
    service.track(QStringLiteral("context_probe"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    ASSERT_EQ(server.requestCount(), 1u);
    const JSONValue::Object payload = onlyPayload(server.requests().front());
    ASSERT_TRUE(payload.contains("run_context"));
    EXPECT_EQ(*payload.find("run_context"), JSONValue(QString()));
}

TEST_F(TelemetryServiceTest, TheDefaultConfigurationCarriesTheDeploymentValues)
{
    const TelemetryService::Configuration c = TelemetryService::defaultConfiguration(pendingPath);
    EXPECT_EQ(c.endpointURL, QUrl(hosts::telemetryBackend() + QStringLiteral("/api/database/records/usage_events")));
    EXPECT_EQ(c.endpointURL.scheme(), QStringLiteral("https"));
    EXPECT_EQ(c.appVersion, QStringLiteral("0.1 (1)"));
    EXPECT_EQ(c.appID, ProductConfig::current()->appID);
    EXPECT_EQ(c.pendingFilePath, pendingPath);
    EXPECT_EQ(c.anonKey.size(), 221);
    const QStringList parts = c.anonKey.split(u'.');
    ASSERT_EQ(parts.size(), 3);
    for (const QString& part : parts)
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9_-]+$")).match(part).hasMatch()) << part.toStdString();

    // Without an explicit file: <Application Support>/<product folder>/pending-events.json.
    LiveFileSystem fs;
    const QString computed = TelemetryService::defaultPendingFilePath(fs);
    EXPECT_TRUE(computed.endsWith(u'/' + ProductConfig::current()->appSupportDirName + QStringLiteral("/pending-events.json")))
        << computed.toStdString();
}

TEST_F(TelemetryServiceTest, AStoredSessionIDIsReusedAndAMalformedOneReplaced)
{
    const QString key = ProductConfig::current()->sessionIDKey();
    store->setValue(key, QVariant(QStringLiteral("not-a-uuid")));
    QUuid first;
    {
        TelemetryService service(configuration());
        first = service.sessionID();
    }
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(store->string(key), first.toString(QUuid::WithoutBraces).toUpper()) << "the replacement is stored";

    TelemetryService again(configuration());
    EXPECT_EQ(again.sessionID(), first) << "and reused by the next launch";

    // A valid id in lower case is a valid id.
    store->setValue(key, QVariant(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff")));
    TelemetryService lower(configuration());
    EXPECT_EQ(lower.sessionID(), QUuid::fromString(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff")));
}

TEST_F(TelemetryServiceTest, TrackingNeverWaitsForTheNetwork)
{
    server.route(endpointPath, LocalHttpServer::Response::silence());
    TelemetryService::Configuration c = configuration();
    TelemetryService service(c);
    service.track(QStringLiteral("stuck"));
    ASSERT_TRUE(server.waitForRequests(1, 10s));

    // The send hangs on a silent server; tracking still returns at once.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i)
        service.track(QStringLiteral("while_stuck"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Destroying the service interrupts the hanging send promptly.
}
