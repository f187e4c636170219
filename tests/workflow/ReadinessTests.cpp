#include "engine/services/LiveHTTPFetcher.h"
#include "engine/workflow/NetworkReadinessProbe.h"
#include "engine/workflow/ReadinessScreenCopy.h"
#include "support/LocalHttpServer.h"

#include <gtest/gtest.h>

using namespace varnel;
using Sample = NetworkReadinessProbe::EndpointSample;

namespace {
NetworkReadinessConfig commandLineNetwork()
{
    NetworkReadinessConfig c;
    c.endpoints = {QUrl(QStringLiteral("http://127.0.0.1:1/a")), QUrl(QStringLiteral("http://127.0.0.1:1/b"))};
    c.estimatedPayloadBytes = 1'500'000'000;
    c.slowThresholdSeconds = 600;
    c.maxSampleBytes = 800'000;
    c.probeTimeoutSeconds = 3.0;
    return c;
}
const DiskReadinessConfig kDisk{15'000'000'000, 10'000'000'000, 3'000'000'000};
}  // namespace

TEST(Readiness, networkVerdictFromSamples)
{
    const auto config = commandLineNetwork();
    // The best endpoint decides: 30 Mbps (3.75 MB/s) against 5 Mbps gives 400 s, ok.
    auto best = NetworkReadinessProbe::judge({{Sample::Kind::throughput, 3'750'000}, {Sample::Kind::throughput, 625'000}},
                                             config);
    EXPECT_EQ(best.verdict, NetworkVerdict::ok);
    EXPECT_EQ(best.estimatedInstallSeconds, 400);
    EXPECT_DOUBLE_EQ(*best.downMbps, 30.0);
    EXPECT_EQ(best.endpointsReachable, 2);

    auto slow = NetworkReadinessProbe::judge({{Sample::Kind::throughput, 1'000'000}, {Sample::Kind::down, 0}}, config);
    EXPECT_EQ(slow.verdict, NetworkVerdict::slow);
    EXPECT_EQ(slow.estimatedInstallSeconds, 1500);
    EXPECT_TRUE(slow.needsWarning());

    auto unreachable = NetworkReadinessProbe::judge({{Sample::Kind::down, 0}, {Sample::Kind::down, 0}}, config);
    EXPECT_EQ(unreachable, (NetworkReadinessResult{NetworkVerdict::unreachable, std::nullopt, std::nullopt, 0, 2}));

    // One endpoint timing out instead of being down: nothing can be said.
    auto unmeasured = NetworkReadinessProbe::judge({{Sample::Kind::down, 0}, {Sample::Kind::timeout, 0}}, config);
    EXPECT_EQ(unmeasured.verdict, NetworkVerdict::unmeasured);
    EXPECT_FALSE(unmeasured.needsWarning());
    // A server that answered without a byte counts as reachable.
    auto responded = NetworkReadinessProbe::judge({{Sample::Kind::responded, 0}, {Sample::Kind::down, 0}}, config);
    EXPECT_EQ(responded.verdict, NetworkVerdict::unmeasured);
    EXPECT_EQ(responded.endpointsReachable, 1);
}

TEST(Readiness, diskVerdictThresholds)
{
    EXPECT_EQ(diskReadiness(24'000'000'000, kDisk).verdict, DiskVerdict::low);
    EXPECT_EQ(diskReadiness(25'000'000'000, kDisk).verdict, DiskVerdict::ok);
    EXPECT_EQ(diskReadiness(2'900'000'000, kDisk).verdict, DiskVerdict::critical);
    const auto unknown = diskReadiness(std::nullopt, kDisk);
    EXPECT_EQ(unknown.verdict, DiskVerdict::unmeasured);
    EXPECT_FALSE(unknown.needsWarning());
    EXPECT_EQ(unknown.worstCaseBytes, 15'000'000'000);
    EXPECT_EQ(unknown.headroomBytes, 10'000'000'000);
}

TEST(Readiness, warningTextsRoundWhatTheyMeasure)
{
    NetworkReadinessResult slow{NetworkVerdict::slow, std::nullopt, std::nullopt, 1, 3};
    slow.estimatedInstallSeconds = 1500;
    EXPECT_TRUE(ReadinessScreenCopy::network(slow).body.contains(QStringLiteral("about 25 minutes.")));
    slow.estimatedInstallSeconds = std::nullopt;  // the estimate of the payload alone
    EXPECT_TRUE(ReadinessScreenCopy::network(slow).body.contains(QStringLiteral("take about 10 minutes.")));
    slow.estimatedInstallSeconds = 20;  // never below one minute
    EXPECT_TRUE(ReadinessScreenCopy::network(slow).body.contains(QStringLiteral("about 1 minutes.")));

    EXPECT_TRUE(ReadinessScreenCopy::disk(diskReadiness(2'900'000'000, kDisk))
                    .body.startsWith(QStringLiteral("Your Mac has only about 3 GB free.")));
    EXPECT_TRUE(ReadinessScreenCopy::disk(diskReadiness(24'400'000'000, kDisk))
                    .body.contains(QStringLiteral("Your Mac has about 24 GB free right now.")));
    DiskReadinessResult unknownLow{DiskVerdict::low, std::nullopt, 15'000'000'000, 10'000'000'000};
    EXPECT_TRUE(ReadinessScreenCopy::disk(unknownLow).body.contains(QStringLiteral("about a little GB free")));
}

// ---- Against local servers --------------------------------------------------------

namespace {
QUrl closedPortURL()
{
    quint16 port;
    {
        varnel::testing::LocalHttpServer gone;
        port = gone.port();
    }
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
}
}  // namespace

TEST(Readiness, measuresLocalEndpoints)
{
    using varnel::testing::LocalHttpServer;
    LiveHTTPFetcher http;
    NetworkReadinessProbe probe(http);
    NetworkReadinessConfig config = commandLineNetwork();
    config.probeTimeoutSeconds = 1.0;
    config.maxSampleBytes = 200'000;

    // Nobody listens anywhere: unreachable.
    config.endpoints = {closedPortURL(), closedPortURL()};
    EXPECT_EQ(probe.measure(config), (NetworkReadinessResult{NetworkVerdict::unreachable, std::nullopt, std::nullopt, 0, 2}));

    // One endpoint refuses, one never answers: nothing can be said.
    LocalHttpServer server;
    server.route("/silent", LocalHttpServer::Response::silence());
    config.endpoints = {closedPortURL(), server.url(QStringLiteral("/silent"))};
    const auto unmeasured = probe.measure(config);
    EXPECT_EQ(unmeasured.verdict, NetworkVerdict::unmeasured);
    EXPECT_FALSE(unmeasured.downMbps.has_value());

    // Two answering endpoints, one trickling: the faster decides, and the
    // ranged request asks for exactly the sample size.
    server.route("/fast", LocalHttpServer::Response::generated(200'000));
    server.route("/slow", LocalHttpServer::Response::generated(200'000, 1000, std::chrono::milliseconds(50)));
    config.endpoints = {server.url(QStringLiteral("/slow")), server.url(QStringLiteral("/fast"))};
    const auto measured = probe.measure(config);
    EXPECT_EQ(measured.endpointsReachable, 2);
    ASSERT_TRUE(measured.downMbps.has_value());
    EXPECT_GT(*measured.downMbps, 1.0);  // the trickle alone is 0.16 Mbps
    for (const auto& request : server.requests()) {
        if (request.path == "/fast" || request.path == "/slow") {
            EXPECT_EQ(request.header("Range"), QByteArray("bytes=0-199999"));
            EXPECT_EQ(request.header("Cache-Control"), QByteArray("no-cache"));
        }
    }
}
