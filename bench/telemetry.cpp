// Telemetry under load: 10,000 events tracked as fast as a caller can, posted
// one by one to a local server that answers 204.
//
//   caller_us_avg / caller_us_p99 / caller_us_max   cost of one track() call
//   delivered_per_s                                  events delivered per second,
//                                                    from the first track to the last 204
//
// Argument 0 keeps the pending file in the system's temporary folder (the
// disk: every rewrite is flushed to it), argument 1 in /dev/shm where there
// is one (memory: what is left is the HTTP and JSON cost).

#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "engine/telemetry/TelemetryService.h"
#include "engine/telemetry/TelemetrySession.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

using namespace varnel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int eventCount = 10'000;

TelemetryService::Configuration benchConfiguration(const testing::LocalHttpServer& server, const QString& pendingFile)
{
    TelemetryService::Configuration c;
    c.endpointURL = server.url(QStringLiteral("/api/database/records/usage_events"));
    c.anonKey = QStringLiteral("bench-key");
    c.appVersion = QStringLiteral("0.1 (1)");
    c.appID = QStringLiteral("varnel-cli");
    c.runContext = QStringLiteral("bench");
    c.fetcherFactory = [](const TelemetryService::Configuration& configuration) {
        return std::make_shared<TelemetrySession>(std::make_shared<LiveHTTPFetcher>(), configuration.anonKey);
    };
    c.kvStore = std::make_shared<testing::InMemoryKeyValueStore>();
    c.fs = std::make_shared<LiveFileSystem>();
    c.pendingFilePath = pendingFile;
    return c;
}

void trackIntoLocalServer(benchmark::State& state)
{
    const bool inMemory = state.range(0) == 1 && QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    testing::LocalHttpServer server;
    server.route("/api/database/records/usage_events", testing::LocalHttpServer::Response::text(204, {}, {}));

    for (auto _ : state) {
        QTemporaryDir folder((inMemory ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                             QStringLiteral("/varnel-bench-XXXXXX"));
        server.clearRequests();
        TelemetryService service(benchConfiguration(server, folder.filePath(QStringLiteral("pending-events.json"))));
        service.waitUntilIdle();

        std::vector<double> callMicros;
        callMicros.reserve(eventCount);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < eventCount; ++i) {
            const Clock::time_point before = Clock::now();
            service.track(QStringLiteral("diagnosis_reached"),
                          {{"reason", "fixable"},
                           {"fixable_count", 3},
                           {"blocked_count", 0},
                           {"terminal_count", 1},
                           {"terminals", QStringList{QStringLiteral("warp")}},
                           {"index", i}});
            callMicros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
        }
        service.waitUntilIdle(std::chrono::minutes(30));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (server.requestCount() != static_cast<size_t>(eventCount))
            state.SkipWithError("not every event was delivered");

        std::sort(callMicros.begin(), callMicros.end());
        double total = 0;
        for (double us : callMicros)
            total += us;
        state.counters["caller_us_avg"] = total / eventCount;
        state.counters["caller_us_p99"] = callMicros[static_cast<size_t>(eventCount * 0.99)];
        state.counters["caller_us_max"] = callMicros.back();
        state.counters["delivered_per_s"] = eventCount / seconds;
        state.counters["connections"] = server.connectionCount();
    }
    state.SetLabel(inMemory ? "pending file in memory" : "pending file on disk");
}

}  // namespace

BENCHMARK(trackIntoLocalServer)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
