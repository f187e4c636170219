#include "engine/services/LiveHTTPFetcher.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <thread>

using namespace varnel;
using varnel::testing::LocalHttpServer;
using namespace std::chrono_literals;

namespace {
HttpRequest get(const QUrl& url, double timeout = 10.0)
{
    HttpRequest request;
    request.url = url;
    request.timeoutSeconds = timeout;
    return request;
}

// An address on 127.0.0.1 where nothing listens any more.
QUrl refusingUrl()
{
    LocalHttpServer gone;
    return gone.url();
}

QStringList downloadsLeftBehind()
{
    return QDir::temp().entryList({QStringLiteral("varnel-download-*")}, QDir::Files);
}
}  // namespace

TEST(HttpFetcher, DataSendsTheRequestAsGivenAndReusesTheConnection)
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
    EXPECT_EQ(result->body, "{\"ok\":true}");
    const auto seen = server.requests().front();
    EXPECT_EQ(seen.method + ' ' + seen.target + ' ' + seen.body, "POST /api/items?x=1 [{\"a\":1}]");
    EXPECT_EQ(seen.header("Authorization"), "Bearer key");
    EXPECT_TRUE(seen.header("Expect").isEmpty());

    // An HTTP error status is an answer, not a transport failure.
    HttpRequest remove = get(server.url("/missing"));
    remove.method = "DELETE";
    auto missing = fetcher.data(remove);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->response.statusCode, 404);
    EXPECT_EQ(server.requests().back().method, "DELETE");
    EXPECT_EQ(server.connectionCount(), 1) << "consecutive requests from one thread share the connection";
}

TEST(HttpFetcher, DataKeepsNoMoreThanItsLimitEvenWhenTheBodyIsCompressed)
{
    LocalHttpServer server;
    server.route("/big", LocalHttpServer::Response::generated(64 * 1024));
    // 1 MB of zeros as a deflate stream of about a kilobyte: only the
    // decompressed size shows that it is too large.
    LocalHttpServer::Response bomb = LocalHttpServer::Response::text(200, qCompress(QByteArray(1 << 20, '\0')).mid(4));
    bomb.headers.emplace_back("Content-Encoding", "deflate");
    server.route("/bomb", bomb);
    LiveHTTPFetcher fetcher;

    HttpRequest request = get(server.url("/big"));
    request.maxBodyBytes = 64 * 1024;
    ASSERT_TRUE(fetcher.data(request));
    for (const char* path : {"/big", "/bomb"}) {
        request.url = server.url(path);
        request.maxBodyBytes = 64 * 1024 - 1;
        auto refused = fetcher.data(request);
        ASSERT_FALSE(refused) << path;
        EXPECT_EQ(refused.error().kind, HttpErrorKind::tooLarge);
        EXPECT_TRUE(refused.error().message.contains("larger than the 65535 bytes")) << refused.error().message.toStdString();
    }
}

TEST(HttpFetcher, RedirectsAreFollowedOnlyToHttps)
{
    LocalHttpServer server;
    // curl applies the redirect rule to every redirect whatever the scheme
    // it starts from, so a plain http server shows what an https one would.
    server.route("/to-http", LocalHttpServer::Response::redirect(server.url("/landed?token=secret")));
    QUrl secure = server.url("/landed");
    secure.setScheme(QStringLiteral("https"));
    server.route("/to-https", LocalHttpServer::Response::redirect(secure));
    server.route("/landed", LocalHttpServer::Response::text(200, "plain"));
    LiveHTTPFetcher fetcher;

    auto refused = fetcher.data(get(server.url("/to-http")));
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, HttpErrorKind::insecureRedirect);
    const QString message = refused.error().message;
    EXPECT_TRUE(message.contains(server.url("/landed").toString())) << message.toStdString();
    EXPECT_FALSE(message.contains("secret")) << "queries may hold secrets";
    EXPECT_EQ(fetcher.download(server.url("/to-http")).error().kind, HttpErrorKind::insecureRedirect);

    // An https target is followed: here it meets a server that speaks no
    // TLS, and the failure says so.
    auto followed = fetcher.data(get(server.url("/to-https")));
    ASSERT_FALSE(followed);
    EXPECT_EQ(followed.error().kind, HttpErrorKind::secureConnectionFailed);
    EXPECT_TRUE(followed.error().message.startsWith("A secure connection to 127.0.0.1:"))
        << followed.error().message.toStdString();

    for (const auto& request : server.requests())
        EXPECT_NE(request.target, "/landed?token=secret") << "the http target was requested";
}

TEST(HttpFetcher, DownloadWritesAPrivateFileReportsProgressAndLeavesNothingOnFailure)
{
    LocalHttpServer server;
    constexpr int64_t size = 300 * 1024;
    server.route("/pkg", LocalHttpServer::Response::generated(size, 16 * 1024, 2ms));
    const QStringList before = downloadsLeftBehind();

    std::vector<std::pair<int64_t, int64_t>> reports;
    LiveHTTPFetcher fetcher;
    auto result = fetcher.download(server.url("/pkg"), [&](int64_t received, int64_t total) {
        reports.emplace_back(received, total);
    });
    ASSERT_TRUE(result) << result.error().message.toStdString();
    EXPECT_EQ(QFileInfo(result->filePath).size(), size);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(result->filePath).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);
    EXPECT_TRUE(QFile::remove(result->filePath));
    ASSERT_GE(reports.size(), 2u) << "a slow body reports along the way";
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GT(reports[i].first, reports[i - 1].first);
    EXPECT_EQ(reports.back(), std::make_pair(size, size));

    auto missing = fetcher.download(server.url("/missing"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, HttpErrorKind::httpStatus);
    EXPECT_EQ(missing.error().code, 404);
    EXPECT_TRUE(missing.error().message.contains("HTTP 404")) << missing.error().message.toStdString();
    EXPECT_EQ(fetcher.download(refusingUrl()).error().kind, HttpErrorKind::cannotConnectToHost);
    EXPECT_EQ(downloadsLeftBehind(), before);
}

TEST(HttpFetcher, TransportFailuresAreToldApartAndSayWhy)
{
    LocalHttpServer server;
    server.route("/silent", LocalHttpServer::Response::silence());
    server.route("/drop", [](const LocalHttpServer::Request&) {
        LocalHttpServer::Response r;
        r.dropConnection = true;
        return r;
    });
    const QUrl refusing = refusingUrl();
    const QUrl nowhere(QStringLiteral("http://varnel-readiness-probe.invalid/"));
    LiveHTTPFetcher fetcher;

    const struct {
        QUrl url;
        HttpErrorKind kind;
        QString says;
    } cases[] = {
        {nowhere, HttpErrorKind::cannotFindHost, "DNS answer for varnel-readiness-probe.invalid"},
        {refusing, HttpErrorKind::cannotConnectToHost, QStringLiteral("127.0.0.1:%1 (Connection refused)").arg(refusing.port())},
        {server.url("/silent"), HttpErrorKind::timedOut, "timed out"},
        {server.url("/drop"), HttpErrorKind::networkConnectionLost, "connection to 127.0.0.1"},
    };
    for (const auto& c : cases) {
        auto result = fetcher.data(get(c.url, 0.5));
        ASSERT_FALSE(result) << c.url.toString().toStdString();
        EXPECT_EQ(result.error().kind, c.kind) << result.error().message.toStdString();
        EXPECT_TRUE(result.error().message.contains(c.says)) << result.error().message.toStdString();
    }

    // The readiness check needs the same distinction from a sample that got no byte.
    EXPECT_EQ(fetcher.sampleThroughput(get(nowhere, 3.0), 1000, 3.0).error().kind, HttpErrorKind::cannotFindHost);
    EXPECT_EQ(fetcher.sampleThroughput(get(refusing, 3.0), 1000, 3.0).error().kind, HttpErrorKind::cannotConnectToHost);
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
    stopper.join();
    EXPECT_EQ(result.error().kind, HttpErrorKind::cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    // A token that is already stopped starts nothing.
    EXPECT_EQ(fetcher.sampleThroughput(get(server.url("/silent")), 1000, 5.0, source.get_token()).error().kind,
              HttpErrorKind::cancelled);
    EXPECT_EQ(server.requestCount(), 1u);
}
