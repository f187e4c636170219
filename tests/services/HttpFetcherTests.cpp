#include "engine/services/LiveHTTPFetcher.h"
#include "support/LocalHttpServer.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using namespace varnel;
using varnel::testing::LocalHttpServer;
using namespace std::chrono_literals;

namespace {

// A port on 127.0.0.1 that is bound but not listening: connecting is refused
// for as long as the object lives.
class RefusingPort {
public:
    RefusingPort()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port_)); }

private:
    int fd_ = -1;
    quint16 port_ = 0;
};

HttpRequest get(const QUrl& url, double timeout = 10.0)
{
    HttpRequest request;
    request.url = url;
    request.timeoutSeconds = timeout;
    return request;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(HttpFetcher, DataSendsMethodHeadersAndBodyAndReturnsStatusHeadersAndBody)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    LocalHttpServer::Response created = LocalHttpServer::Response::text(201, "{\"ok\":true}", "application/json");
    created.headers.emplace_back("X-Request-Id", "abc-123");
    server.route("/api/items", created);

    HttpRequest request = get(server.url("/api/items?x=1"));
    request.method = "POST";
    request.headers = {{"Content-Type", "application/json"}, {"Authorization", "Bearer key"}};
    request.body = "[{\"a\":1}]";

    LiveHTTPFetcher fetcher;
    auto result = fetcher.data(request);
    ASSERT_TRUE(result) << result.error().message.toStdString();
    EXPECT_EQ(result->response.statusCode, 201);
    EXPECT_EQ(result->response.header("x-request-id"), "abc-123");
    EXPECT_EQ(result->response.header("CONTENT-TYPE"), "application/json");
    EXPECT_EQ(result->body, "{\"ok\":true}");

    ASSERT_EQ(server.requestCount(), 1u);
    const auto seen = server.requests().front();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.target, "/api/items?x=1");
    EXPECT_EQ(seen.header("Authorization"), "Bearer key");
    EXPECT_EQ(seen.header("Content-Type"), "application/json");
    EXPECT_TRUE(seen.header("Expect").isEmpty());
    EXPECT_EQ(seen.body, "[{\"a\":1}]");

    // An HTTP error status is an answer, not a transport failure; other methods pass through.
    HttpRequest remove = get(server.url("/missing"));
    remove.method = "DELETE";
    auto missing = fetcher.data(remove);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->response.statusCode, 404);
    EXPECT_EQ(server.requests().back().method, "DELETE");

    // Consecutive requests from one thread share the connection.
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST(HttpFetcher, DownloadWritesAPrivateTemporaryFileAndReportsGrowingProgress)
{
    LocalHttpServer server;
    constexpr int64_t size = 300 * 1024;
    server.route("/pkg", LocalHttpServer::Response::generated(size, 16 * 1024, 2ms));

    std::vector<std::pair<int64_t, int64_t>> reports;
    LiveHTTPFetcher fetcher;
    auto result = fetcher.download(server.url("/pkg"), [&](int64_t received, int64_t total) {
        reports.emplace_back(received, total);
    });
    ASSERT_TRUE(result) << result.error().message.toStdString();
    EXPECT_EQ(result->response.statusCode, 200);
    EXPECT_EQ(QFileInfo(result->filePath).size(), size);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(result->filePath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);
    EXPECT_TRUE(QFile::remove(result->filePath));

    ASSERT_GE(reports.size(), 2u) << "a chunked body reports along the way";
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GT(reports[i].first, reports[i - 1].first);
    EXPECT_EQ(reports.back().first, size);
    EXPECT_EQ(reports.back().second, size);

    // A failed download leaves no file behind.
    RefusingPort refusing;
    auto refused = fetcher.download(refusing.url());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, HttpErrorKind::cannotConnectToHost);
}

TEST(HttpFetcher, ThroughputSampleStopsAtMaxBytesWithoutKeepingTheBody)
{
    LocalHttpServer server;
    server.route("/big", LocalHttpServer::Response::generated(20 * 1024 * 1024));
    LiveHTTPFetcher fetcher;

    HttpRequest request = get(server.url("/big"), 10.0);
    request.headers = {{"Range", "bytes=0-99999"}, {"Cache-Control", "no-cache"}};
    auto sample = fetcher.sampleThroughput(request, 100'000, 10.0);
    ASSERT_TRUE(sample) << sample.error().message.toStdString();
    EXPECT_EQ(sample->bytesReceived, 100'000);
    EXPECT_GE(sample->elapsedSeconds, 0.0001);
    EXPECT_LT(sample->elapsedSeconds, 10.0);
    EXPECT_EQ(server.requests().front().header("Range"), "bytes=0-99999");

    // A body shorter than the limit is counted to its end.
    server.route("/small", LocalHttpServer::Response::text(200, QByteArray(1234, 'y')));
    auto small = fetcher.sampleThroughput(get(server.url("/small")), 100'000, 10.0);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->bytesReceived, 1234);

    // A duration that cannot be waited for ends the sample at once.
    for (double duration : {-1.0, 0.0, std::numeric_limits<double>::infinity(), 1e12}) {
        auto none = fetcher.sampleThroughput(get(server.url("/big")), 100'000, duration);
        ASSERT_TRUE(none);
        EXPECT_EQ(none->bytesReceived, 0);
        EXPECT_GE(none->elapsedSeconds, 0.0001);
    }
}

TEST(HttpFetcher, ThroughputSampleEndsAtMaxDurationWithTheBytesSoFar)
{
    LocalHttpServer server;
    server.route("/silent", LocalHttpServer::Response::silence());
    server.route("/trickle", LocalHttpServer::Response::generated(1'000'000, 1000, 50ms));
    LiveHTTPFetcher fetcher;

    // The server accepts and never answers: the timer ends the sample.
    auto start = std::chrono::steady_clock::now();
    auto silent = fetcher.sampleThroughput(get(server.url("/silent"), 0.6), 800'000, 0.6);
    const double took = secondsSince(start);
    ASSERT_TRUE(silent) << "a silent server is a measurement of nothing, not a failure";
    EXPECT_EQ(silent->bytesReceived, 0);
    EXPECT_GE(silent->elapsedSeconds, 0.55);
    EXPECT_LT(took, 3.0);

    // Bytes that arrive before the timer count.
    auto trickle = fetcher.sampleThroughput(get(server.url("/trickle"), 0.6), 800'000, 0.6);
    ASSERT_TRUE(trickle);
    EXPECT_GT(trickle->bytesReceived, 0);
    EXPECT_LT(trickle->bytesReceived, 800'000);
    EXPECT_GE(trickle->elapsedSeconds, 0.55);
}

TEST(HttpFetcher, TransportFailuresAreToldApart)
{
    LocalHttpServer server;
    server.route("/silent", LocalHttpServer::Response::silence());
    server.route("/drop", [](const LocalHttpServer::Request&) {
        LocalHttpServer::Response r;
        r.dropConnection = true;
        return r;
    });
    RefusingPort refusing;
    LiveHTTPFetcher fetcher;
    const QUrl nowhere(QStringLiteral("http://varnel-readiness-probe.invalid/"));

    auto unknownHost = fetcher.data(get(nowhere));
    ASSERT_FALSE(unknownHost);
    EXPECT_EQ(unknownHost.error().kind, HttpErrorKind::cannotFindHost);
    EXPECT_FALSE(unknownHost.error().message.isEmpty());

    auto refused = fetcher.data(get(refusing.url()));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, HttpErrorKind::cannotConnectToHost);

    auto timedOut = fetcher.data(get(server.url("/silent"), 0.3));
    ASSERT_FALSE(timedOut);
    EXPECT_EQ(timedOut.error().kind, HttpErrorKind::timedOut);

    auto dropped = fetcher.data(get(server.url("/drop")));
    ASSERT_FALSE(dropped);
    EXPECT_EQ(dropped.error().kind, HttpErrorKind::networkConnectionLost);

    // The readiness check needs the same distinction from a sample that got no byte.
    auto sampleUnknownHost = fetcher.sampleThroughput(get(nowhere, 3.0), 1000, 3.0);
    ASSERT_FALSE(sampleUnknownHost);
    EXPECT_EQ(sampleUnknownHost.error().kind, HttpErrorKind::cannotFindHost);
    auto sampleRefused = fetcher.sampleThroughput(get(refusing.url(), 3.0), 1000, 3.0);
    ASSERT_FALSE(sampleRefused);
    EXPECT_EQ(sampleRefused.error().kind, HttpErrorKind::cannotConnectToHost);
}

TEST(HttpFetcher, AStopRequestCancelsAWaitingTransferPromptly)
{
    LocalHttpServer server;
    server.route("/silent", LocalHttpServer::Response::silence());
    LiveHTTPFetcher fetcher;

    std::stop_source source;
    std::thread stopper([&] {
        server.waitForRequests(1, 5s);
        std::this_thread::sleep_for(50ms);
        source.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    auto result = fetcher.data(get(server.url("/silent"), 30.0), source.get_token());
    const double took = secondsSince(start);
    stopper.join();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, HttpErrorKind::cancelled);
    EXPECT_LT(took, 2.0);

    // A token that is already stopped starts nothing.
    auto never = fetcher.sampleThroughput(get(server.url("/silent")), 1000, 5.0, source.get_token());
    ASSERT_FALSE(never);
    EXPECT_EQ(never.error().kind, HttpErrorKind::cancelled);
    EXPECT_EQ(server.requestCount(), 1u);
}
