#include "engine/services/LiveFileSystem.h"
#include "engine/telemetry/TelemetryService.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/LocalHttpServer.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

using namespace varnel;
using varnel::testing::InMemoryKeyValueStore;
using varnel::testing::LocalHttpServer;
using namespace std::chrono_literals;

namespace {

const QByteArray endpointPath = "/api/database/records/usage_events";

// The program's log lines (the service logs from its own thread).
std::mutex logLock;
QStringList logLines;
void captureLog(QtMsgType, const QMessageLogContext&, const QString& message)
{
    std::lock_guard guard(logLock);
    logLines << message;
}
bool logged(const QString& prefix)
{
    std::lock_guard guard(logLock);
    return std::any_of(logLines.begin(), logLines.end(), [&](const QString& l) { return l.startsWith(prefix); });
}

// Sets or unsets an environment variable for the length of a scope.
struct ScopedEnvironment {
    ScopedEnvironment(const char* name, std::optional<QByteArray> value) : name(name), old(qgetenv(name))
    {
        value ? qputenv(name, *value) : qunsetenv(name);
    }
    ~ScopedEnvironment() { old.isNull() ? qunsetenv(name) : qputenv(name, old); }
    const char* name;
    QByteArray old;
};

Json onlyPayload(const LocalHttpServer::Request& request)
{
    const Json body = Json::parse(request.body.begin(), request.body.end(), nullptr, false);
    if (!body.is_array() || body.size() != 1) {
        ADD_FAILURE() << "the body is not a one-element array: " << request.body.constData();
        return Json::object();
    }
    return body.front();
}

QString eventName(const LocalHttpServer::Request& request) { return json::text(onlyPayload(request)["event_name"]); }

QStringList eventNames(const std::vector<LocalHttpServer::Request>& requests)
{
    QStringList names;
    for (const auto& request : requests)
        names << eventName(request);
    return names;
}

const TelemetryService::ProductIdentity product{QStringLiteral("varnel-test"), QStringLiteral("Varnel Test"),
                                                QStringLiteral("com.example.varnel-test.session_id")};

class TelemetryServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        ASSERT_TRUE(server.isListening());
        std::lock_guard guard(logLock);
        logLines.clear();
        previousHandler = qInstallMessageHandler(&captureLog);
    }
    void TearDown() override { qInstallMessageHandler(previousHandler); }

    TelemetryService::Configuration configuration()
    {
        TelemetryService::Configuration c = TelemetryService::defaultConfiguration(product, pendingPath);
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
        file.write(TelemetryEvent::encodeList(events));
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
    QtMessageHandler previousHandler = nullptr;
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

    // The backend's contract: these seven keys in this order, the data in the builder's order.
    const Json payload = onlyPayload(request);
    QStringList keys;
    for (const auto& member : payload.items())
        keys << QString::fromStdString(member.key());
    EXPECT_EQ(keys, (QStringList{"session_id", "client_timestamp", "app_version", "app_id", "run_context",
                                 "event_name", "event_data"}));
    EXPECT_EQ(json::encoded(payload["event_data"]), "{\"macos_major\":14,\"arch\":\"arm64\"}");
    const QString sessionID = json::text(payload["session_id"]);
    EXPECT_EQ(sessionID, service.sessionID().toString(QUuid::WithoutBraces).toLower());
    EXPECT_EQ(store->string(product.sessionIDKey), sessionID.toUpper())
        << "the stored id is upper case, the sent one lower case";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$"))
                    .match(json::text(payload["client_timestamp"]))
                    .hasMatch())
        << payload["client_timestamp"];

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
    EXPECT_TRUE(logged(QStringLiteral("Telemetry: dropping event after 422 (likely event_name or schema mismatch)")));
    EXPECT_TRUE(retryAttempts.empty()) << "a 4xx is final";
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
    EXPECT_EQ(names(pendingFileEvents()), (QStringList{"first", "second"})) << "kept on disk as well";

    status = 201;
    server.clearRequests();
    service.flush();
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), (QStringList{"first", "second"}));
    EXPECT_FALSE(QFile::exists(pendingPath));
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

TEST_F(TelemetryServiceTest, APendingFileFromAnEarlierRunIsSentFirstAndItsLeftoversRemoved)
{
    const QUuid earlier = QUuid::createUuid();
    writePendingFile({{earlier, "2026-03-01T14:05:09.123Z", "0.1 (1)", "old_1", {{"n", 1}}},
                      {earlier, "2026-03-01T14:05:10.123Z", "0.1 (1)", "old_2", Json::object()}});
    // What a process killed during an atomic write leaves beside the file.
    const QString leftover = pendingPath + QStringLiteral(".aB3xYz");
    QFile(leftover).open(QIODevice::WriteOnly);
    const QString unrelated = pendingPath + QStringLiteral(".bak");
    QFile(unrelated).open(QIODevice::WriteOnly);
    server.route(endpointPath, LocalHttpServer::Response::text(201, ""));

    TelemetryService service(configuration());
    service.track(QStringLiteral("new_1"));
    ASSERT_TRUE(service.waitUntilIdle(10s));

    const auto requests = server.requests();
    EXPECT_EQ(eventNames(requests), (QStringList{"old_1", "old_2", "new_1"}));
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(json::text(onlyPayload(requests[0])["session_id"]), earlier.toString(QUuid::WithoutBraces).toLower());
    EXPECT_EQ(onlyPayload(requests[0])["client_timestamp"], "2026-03-01T14:05:09.123Z");
    EXPECT_FALSE(QFile::exists(pendingPath));
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(unrelated)) << "only the atomic write's temporary files go";
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
    EXPECT_TRUE(logged(QStringLiteral("Telemetry: couldn't load pending events: ")));
    EXPECT_EQ(server.requestCount(), 0u) << "a failed load starts no flush";

    service.track(QStringLiteral("after_bad_file"));
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(names(pendingFileEvents()), (QStringList{"after_bad_file"}));
}

TEST_F(TelemetryServiceTest, DisabledTelemetryQueuesNothingButStillDeliversAnEarlierRunsEvents)
{
    for (const char* value : {"1", "true", "0", ""}) {
        ScopedEnvironment env("VARNEL_TELEMETRY_DISABLED", QByteArray(value));
        EXPECT_EQ(TelemetryService::defaultConfiguration(product, pendingPath).disabled, qstrcmp(value, "1") == 0)
            << value;
    }
    {
        ScopedEnvironment env("VARNEL_RUN_CONTEXT", QByteArray(""));  // set, even to nothing: taken verbatim
        EXPECT_EQ(TelemetryService::defaultConfiguration(product, pendingPath).runContext, QString());
    }

    server.route(endpointPath, LocalHttpServer::Response::text(201, ""));
    TelemetryService::Configuration off = configuration();
    off.disabled = true;
    {
        TelemetryService service(off);
        service.track(QStringLiteral("ignored"));
        ASSERT_TRUE(service.waitUntilIdle(10s));
    }
    EXPECT_EQ(server.requestCount(), 0u);
    EXPECT_FALSE(QFile::exists(pendingPath));
    EXPECT_FALSE(store->string(product.sessionIDKey)) << "switched off, the settings are left alone";

    writePendingFile({{QUuid::createUuid(), "2026-03-01T14:05:09.123Z", "0.1 (1)", "from_before", Json::object()}});
    TelemetryService service(off);
    ASSERT_TRUE(service.waitUntilIdle(10s));
    EXPECT_EQ(eventNames(server.requests()), (QStringList{"from_before"}));
}

TEST(TelemetryShared, BeforeTheApplicationConfiguresItTheSharedServiceIsInert)
{
    // The test program never configures telemetry: whatever reaches the shared
    // service is dropped, with no file and no request.
    TelemetryService& shared = TelemetryService::shared();
    EXPECT_TRUE(shared.configuration().disabled);
    EXPECT_TRUE(shared.pendingFilePath().isEmpty());
    shared.track(QStringLiteral("from_a_test"));
    ASSERT_TRUE(shared.waitUntilIdle(10s));
    EXPECT_TRUE(shared.pendingEvents().empty());
}
