// How much the process layer costs on top of the system.
//
//   SpawnTrue/Runner   vs SpawnTrue/Bare     : /bin/true to completion, per spawn
//   Stream50MB/Runner  vs Cat50MB/DevNull    : 50 MB of 100-byte lines through stream()
//                                              vs `cat` of the same file to /dev/null
//   Run50MB/Runner                           : the same file through run() (kept whole)

#include "engine/services/LiveProcessRunner.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern char** environ;

namespace {

constexpr std::size_t kStreamBytes = 50 * 1024 * 1024;
constexpr std::size_t kLineLength = 100;

// 50 MB of 99 'x' and a line feed, written once per benchmark run.
const std::string& lineFile()
{
    static const std::string path = [] {
        char name[] = "/tmp/varnel-bench-lines-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0)
            std::abort();
        std::string line(kLineLength - 1, 'x');
        line += '\n';
        std::string block;
        for (int i = 0; i < 4096; ++i)
            block += line;
        static_assert(kStreamBytes % (4096 * kLineLength) == 0);
        for (std::size_t written = 0; written < kStreamBytes; written += block.size()) {
            if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size()))
                std::abort();
        }
        ::close(fd);
        std::atexit([] { ::unlink(lineFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

void spawnAndWait(const char* path, char* const argv[], posix_spawn_file_actions_t* actions)
{
    pid_t pid = -1;
    if (::posix_spawn(&pid, path, actions, nullptr, argv, environ) != 0)
        std::abort();
    int status = 0;
    ::waitpid(pid, &status, 0);
}

void SpawnTrue_Bare(benchmark::State& state)
{
    char truePath[] = "/bin/true";
    char* argv[] = {truePath, nullptr};
    for (auto _ : state)
        spawnAndWait(truePath, argv, nullptr);
}
BENCHMARK(SpawnTrue_Bare)->UseRealTime();

void SpawnTrue_Runner(benchmark::State& state)
{
    const varnel::LiveProcessRunner runner;
    for (auto _ : state) {
        auto result = runner.run(QStringLiteral("/bin/true"), {});
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(SpawnTrue_Runner)->UseRealTime();

void Cat50MB_DevNull(benchmark::State& state)
{
    const std::string& file = lineFile();
    char catPath[] = "/bin/cat";
    std::string fileArgument = file;
    char* argv[] = {catPath, fileArgument.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state)
        spawnAndWait(catPath, argv, &actions);
    posix_spawn_file_actions_destroy(&actions);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStreamBytes));
}
BENCHMARK(Cat50MB_DevNull)->UseRealTime()->Unit(benchmark::kMillisecond);

void Stream50MB_Runner(benchmark::State& state)
{
    const QString file = QString::fromStdString(lineFile());
    const varnel::LiveProcessRunner runner;
    for (auto _ : state) {
        std::size_t lines = 0;
        std::size_t characters = 0;
        runner.stream(QStringLiteral("/bin/cat"), {file}, std::nullopt,
                      [&](const varnel::ProcessStreamEvent& event) {
                          ++lines;
                          characters += static_cast<std::size_t>(event.text.size());
                      });
        if (lines != kStreamBytes / kLineLength + 1 || characters != kStreamBytes / kLineLength * (kLineLength - 1))
            state.SkipWithError("stream lost or mangled lines");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStreamBytes));
}
BENCHMARK(Stream50MB_Runner)->UseRealTime()->Unit(benchmark::kMillisecond);

void Run50MB_Runner(benchmark::State& state)
{
    const QString file = QString::fromStdString(lineFile());
    const varnel::LiveProcessRunner runner;
    for (auto _ : state) {
        auto result = runner.run(QStringLiteral("/bin/cat"), {file});
        if (!result || static_cast<std::size_t>(result->standardOutput.size()) != kStreamBytes)
            state.SkipWithError("run lost output");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kStreamBytes));
}
BENCHMARK(Run50MB_Runner)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
