// Fetching and checking a 200 MB package from a server on 127.0.0.1, side by side:
//
//   DownloadAndVerify  : PackageDownload::download() into the private package
//                        folder, then verify() (SHA-256 of the file)
//   CurlAndSha256sum   : `curl -s -o FILE URL && sha256sum FILE`
//   DownloadOnly, VerifyOnly, CurlOnly: the halves, to see where the time goes
//
// The goal is at least 80% of curl's speed (time at most 1.25 times curl's).

#include "engine/remediation/PackageDownload.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "support/LocalHttpServer.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

using namespace varnel;
using varnel::testing::LocalHttpServer;

constexpr int64_t kBytes = 200LL * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    LocalHttpServer server;
    QString checksum;

    Fixture()
    {
        QByteArray body(kBytes, Qt::Uninitialized);
        std::mt19937_64 random(7);
        auto* words = reinterpret_cast<uint64_t*>(body.data());
        for (int64_t i = 0; i < kBytes / 8; ++i)
            words[i] = random();
        checksum = PackageDownload::sha256Hex(body);
        server.route("/package.pkg", LocalHttpServer::Response::text(200, body, "application/octet-stream"));
        qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void DownloadAndVerify(benchmark::State& state)
{
    Fixture& f = fixture();
    LiveHTTPFetcher http;
    LiveFileSystem fs;
    const PackageDownload packages(http, fs);
    const QString folder = packages.packageFolder("varnel-bench").value();
    const QString file = folder + "/bench.pkg";
    for (auto _ : state) {
        if (!packages.download(f.server.url("/package.pkg"), file, {}, {}) || !packages.verify(file, f.checksum))
            state.SkipWithError("download or verify failed");
    }
    QFile::remove(file);
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(DownloadAndVerify)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void CurlAndSha256sum(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString file = f.dir.filePath("curl.pkg");
    const QByteArray command = QStringLiteral("/usr/bin/curl -s -o '%1' '%2' && /usr/bin/sha256sum '%1' >/dev/null")
                                   .arg(file, f.server.url("/package.pkg").toString())
                                   .toUtf8();
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("curl or sha256sum failed");
    }
    QFile::remove(file);
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(CurlAndSha256sum)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// The two halves, to see where the time goes.
void DownloadOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    LiveHTTPFetcher http;
    for (auto _ : state) {
        auto file = http.download(f.server.url("/package.pkg"));
        if (!file)
            state.SkipWithError("download failed");
        else
            QFile::remove(file->filePath);
    }
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(DownloadOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void VerifyOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    LiveHTTPFetcher http;
    LiveFileSystem fs;
    const PackageDownload packages(http, fs);
    const QString file = packages.packageFolder("varnel-bench").value() + "/verify.pkg";
    if (!packages.download(f.server.url("/package.pkg"), file, {}, {}))
        state.SkipWithError("download failed");
    for (auto _ : state) {
        if (!packages.verify(file, f.checksum))
            state.SkipWithError("verify failed");
    }
    QFile::remove(file);
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(VerifyOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void CurlOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    const QString file = f.dir.filePath("curl.pkg");
    const QByteArray command =
        QStringLiteral("/usr/bin/curl -s -o '%1' '%2'").arg(file, f.server.url("/package.pkg").toString()).toUtf8();
    for (auto _ : state) {
        if (std::system(command.constData()) != 0)
            state.SkipWithError("curl failed");
    }
    QFile::remove(file);
    state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(CurlOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
