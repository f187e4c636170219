#include "engine/services/LiveProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace varnel {
namespace {

using Clock = std::chrono::steady_clock;

const QString kShell = QStringLiteral("/bin/sh");
const QString kZsh = QStringLiteral("/bin/zsh");

QStringList shell(const QString& script)
{
    return {QStringLiteral("-c"), script};
}

struct Streamed {
    std::vector<ProcessStreamEvent> events;

    QStringList lines() const
    {
        QStringList out;
        for (const auto& e : events) {
            if (e.kind == ProcessStreamEvent::Kind::line)
                out << e.text;
        }
        return out;
    }
    int terminalCount() const
    {
        return static_cast<int>(std::count_if(events.begin(), events.end(), [](auto& e) { return e.isTerminal(); }));
    }
    const ProcessStreamEvent& last() const { return events.back(); }
};

Streamed streamAll(const ProcessRunning& runner, const QString& executable, const QStringList& arguments,
                   std::stop_token stop = {})
{
    Streamed s;
    runner.stream(executable, arguments, std::nullopt, [&](const ProcessStreamEvent& e) { s.events.push_back(e); },
                  stop);
    return s;
}

// Whether anything of process group `pgid` is still alive. Zombies do not
// count: in a container the reaper of orphans may be slow or absent.
bool groupAlive(pid_t pgid)
{
    if (::kill(-pgid, 0) != 0)
        return false;
    const QDir proc(QStringLiteral("/proc"));
    if (!proc.exists())
        return true;
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toInt() == pgid && fields[0] != "Z")
            return true;
    }
    return false;
}

bool groupGoneWithin(pid_t pgid, std::chrono::milliseconds limit)
{
    const auto until = Clock::now() + limit;
    while (groupAlive(pgid)) {
        if (Clock::now() > until)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Runs a stream on its own thread and hands its first line over as soon as it
// arrives, so a test can act while the child is running.
class BackgroundStream {
public:
    BackgroundStream(const ProcessRunning& runner, QString executable, QStringList arguments)
    {
        auto firstLine = std::make_shared<std::promise<QString>>();
        firstLine_ = firstLine->get_future();
        result_ = std::async(std::launch::async, [&runner, executable, arguments, firstLine,
                                                  stop = stopSource_.get_token()] {
            Streamed s;
            runner.stream(executable, arguments, std::nullopt,
                          [&](const ProcessStreamEvent& e) {
                              if (e.kind == ProcessStreamEvent::Kind::line && s.lines().isEmpty())
                                  firstLine->set_value(e.text);
                              s.events.push_back(e);
                          },
                          stop);
            if (s.lines().isEmpty())
                firstLine->set_value(QString());
            return s;
        });
    }

    QString firstLine() { return firstLine_.get(); }
    void requestStop() { stopSource_.request_stop(); }
    bool finishesWithin(std::chrono::milliseconds limit) { return result_.wait_for(limit) == std::future_status::ready; }
    Streamed result() { return result_.get(); }

private:
    std::stop_source stopSource_;
    std::future<QString> firstLine_;
    std::future<Streamed> result_;
};

// ---- run to completion -----------------------------------------------------------------

TEST(LiveProcessRunnerRun, ReturnsStatusAndBothStreams)
{
    LiveProcessRunner runner;
    auto result = runner.run(kShell, shell(QStringLiteral("printf 'out\\n'; printf 'err' >&2; exit 3")));
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, (ProcessResult{3, QStringLiteral("out\n"), QStringLiteral("err")}));

    auto signaled = runner.run(kShell, shell(QStringLiteral("kill -9 $$")));
    ASSERT_TRUE(signaled);
    EXPECT_EQ(signaled->exitCode, 9);

}

TEST(LiveProcessRunnerRun, DrainsMegabytesOnEitherPipeWithoutBlocking)
{
    LiveProcessRunner runner;
    // Only stderr: a runner that read stdout first would wait forever on a
    // child blocked on a full stderr pipe.
    auto errOnly = runner.run(kShell, shell(QStringLiteral("head -c 3000000 /dev/zero | tr '\\0' e >&2")));
    ASSERT_TRUE(errOnly);
    EXPECT_EQ(errOnly->standardError.count(u'e'), 3000000);

    auto both = runner.run(kShell, shell(QStringLiteral("head -c 2000000 /dev/zero | tr '\\0' o & "
                                                        "head -c 2500000 /dev/zero | tr '\\0' e >&2; wait")));
    ASSERT_TRUE(both);
    EXPECT_EQ(both->standardOutput.size(), 2000000);
    EXPECT_EQ(both->standardError.size(), 2500000);
}

TEST(LiveProcessRunnerRun, EnvironmentMapReplacesOursAndAbsenceInheritsIt)
{
    qputenv("VARNEL_PROCESS_TEST_MARKER", "inherited");
    LiveProcessRunner runner;

    auto replaced = runner.run(QStringLiteral("/usr/bin/env"), {},
                               Environment{{QStringLiteral("ONLY"), QStringLiteral("this one")},
                                           {QStringLiteral("AND"), QStringLiteral("ünïcode")}});
    ASSERT_TRUE(replaced);
    QStringList lines = replaced->standardOutput.split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, (QStringList{QStringLiteral("AND=ünïcode"), QStringLiteral("ONLY=this one")}));

    auto empty = runner.run(QStringLiteral("/usr/bin/env"), {}, Environment{});
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->standardOutput.isEmpty());

    auto inherited = runner.run(QStringLiteral("/usr/bin/env"), {});
    ASSERT_TRUE(inherited);
    EXPECT_TRUE(inherited->standardOutput.contains(QStringLiteral("VARNEL_PROCESS_TEST_MARKER=inherited\n")));
}

TEST(LiveProcessRunnerRun, LaunchErrorsAreValues)
{
    LiveProcessRunner runner;
    auto missing = runner.run(QStringLiteral("/nonexistent/tool"), {QStringLiteral("--version")});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_EQ(missing.error().localizedDescription(), QString::fromLocal8Bit(std::strerror(ENOENT)));
    // A stream that cannot start says so once, and nothing else.
    auto s = streamAll(runner, QStringLiteral("/nonexistent/zsh"), {QStringLiteral("-lc"), QStringLiteral("true")});
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].kind, ProcessStreamEvent::Kind::failedToStart);
    EXPECT_EQ(s.events[0].error.code, ENOENT);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile plain(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("not a program\n");
    plain.close();
    plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    auto notExecutable = runner.run(plain.fileName(), {});
    ASSERT_FALSE(notExecutable);
    EXPECT_EQ(notExecutable.error().code, EACCES);
}

TEST(LiveProcessRunnerRun, InvalidUtf8EmptiesOnlyThatText)
{
    LiveProcessRunner runner;
    auto result = runner.run(kShell, shell(QStringLiteral("printf 'ok\\377'; printf 'fine' >&2")));
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->standardOutput.isEmpty());
    EXPECT_EQ(result->standardError, QStringLiteral("fine"));

    // A multi-byte character cut short at the end is just as invalid.
    auto truncated = runner.run(kShell, shell(QStringLiteral("printf 'a\\342\\200'")));
    ASSERT_TRUE(truncated);
    EXPECT_TRUE(truncated->standardOutput.isEmpty());
}

TEST(LiveProcessRunnerRun, ChildSeesDevNullAndNoDescriptorOfOurs)
{
    LiveProcessRunner runner;
    // Standard input at end of file at once: `cat` returns instead of waiting.
    auto cat = runner.run(QStringLiteral("/bin/cat"), {});
    ASSERT_TRUE(cat);
    EXPECT_EQ(*cat, (ProcessResult{0, {}, {}}));

    if (!QFileInfo::exists(QStringLiteral("/proc/self/fd")))
        GTEST_SKIP() << "no /proc to list a child's descriptors";
    auto fds = runner.run(kShell, shell(QStringLiteral("readlink /proc/$$/fd/0; ls /proc/$$/fd")));
    ASSERT_TRUE(fds);
    EXPECT_EQ(fds->standardOutput, QStringLiteral("/dev/null\n0\n1\n2\n"));
}

TEST(LiveProcessRunnerRun, StopRequestTerminatesTheGroup)
{
    LiveProcessRunner runner(500ms);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    std::stop_source stop;
    auto future = std::async(std::launch::async, [&] {
        return runner.run(kShell, shell(QStringLiteral("sleep 30 & echo $$ > '%1'; wait").arg(pidFile)), std::nullopt,
                          stop.get_token());
    });
    // run() shows nothing until the end, so the shell leaves its pid in a file.
    pid_t pgid = 0;
    for (const auto until = Clock::now() + 10s; pgid <= 0 && Clock::now() < until;) {
        std::this_thread::sleep_for(10ms);
        QFile file(pidFile);
        if (file.open(QIODevice::ReadOnly))
            pgid = file.readAll().trimmed().toInt();
    }
    ASSERT_GT(pgid, 0);
    const auto stopRequested = Clock::now();
    stop.request_stop();
    ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
    auto result = future.get();
    EXPECT_LT(Clock::now() - stopRequested, 3s);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->exitCode, SIGTERM);
    EXPECT_TRUE(groupGoneWithin(pgid, 1s));
}

TEST(LiveProcessRunner, NothingStartsOnceTheStopWasRequested)
{
    // One token serves a whole run of several programs: whatever the run asks
    // to start after the stop must not start at all.
    LiveProcessRunner runner;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("ran"));
    std::stop_source stop;
    stop.request_stop();

    auto ran = runner.run(kShell, shell(QStringLiteral("touch '%1'").arg(marker)), std::nullopt, stop.get_token());
    ASSERT_FALSE(ran);
    EXPECT_TRUE(ran.error().isCanceled());

    auto s = streamAll(runner, kShell, shell(QStringLiteral("touch '%1'").arg(marker)), stop.get_token());
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.last().kind, ProcessStreamEvent::Kind::failedToStart);
    EXPECT_TRUE(s.last().error.isCanceled());
    EXPECT_FALSE(QFileInfo::exists(marker));
}

// ---- streaming ------------------------------------------------------------------------------

TEST(LiveProcessRunnerStream, MergesBothPipesInOrderThenOneExit)
{
    LiveProcessRunner runner;
    auto s = streamAll(runner, kShell,
                       shell(QStringLiteral("echo one; echo two >&2; echo three; echo four >&2; exit 7")));
    EXPECT_EQ(s.lines(), (QStringList{"one", "two", "three", "four"}));
    EXPECT_EQ(s.terminalCount(), 1);
    EXPECT_EQ(s.last(), ProcessStreamEvent::exited(7));
}

TEST(LiveProcessRunnerStream, DeliversEveryLineBeforeExitIncludingAnUnterminatedOne)
{
    LiveProcessRunner runner;
    // Many lines written at once, then an immediate exit.
    auto many = streamAll(runner, kShell, shell(QStringLiteral("seq 1 20000; printf 'tail without newline'")));
    const QStringList lines = many.lines();
    ASSERT_EQ(lines.size(), 20001);
    EXPECT_EQ(lines.first(), QStringLiteral("1"));
    EXPECT_EQ(lines[19999], QStringLiteral("20000"));
    EXPECT_EQ(lines.last(), QStringLiteral("tail without newline"));
    EXPECT_EQ(many.terminalCount(), 1);
    EXPECT_EQ(many.last(), ProcessStreamEvent::exited(0));

    // Carriage returns end lines too (progress meters), empty lines are kept,
    // invalid bytes do not cost the line.
    auto mixed = streamAll(runner, kShell, shell(QStringLiteral("printf 'a\\r\\nb\\rc\\n\\nd\\377\\n'")));
    EXPECT_EQ(mixed.lines(), (QStringList{"a", "b", "c", "", QStringLiteral("d\uFFFD")}));
}

TEST(LiveProcessRunnerStream, EndsWhenChildExitsWhileABackgroundDescendantHoldsThePipe)
{
    LiveProcessRunner runner;
    const auto started = Clock::now();
    auto s = streamAll(runner, kShell, shell(QStringLiteral("sleep 30 & echo $!; seq 1 3000; exit 5")));
    EXPECT_LT(Clock::now() - started, 5s);
    const QStringList lines = s.lines();
    ASSERT_EQ(lines.size(), 3001);
    EXPECT_EQ(lines.last(), QStringLiteral("3000"));
    EXPECT_EQ(s.terminalCount(), 1);
    EXPECT_EQ(s.last(), ProcessStreamEvent::exited(5));
    // The descendant of a child that ended on its own is none of our business.
    const pid_t sleeper = lines.first().toInt();
    ASSERT_GT(sleeper, 0);
    EXPECT_EQ(::kill(sleeper, 0), 0);
    ::kill(sleeper, SIGKILL);
}

TEST(LiveProcessRunnerStream, StopEndsAShellAndEverythingItStarted)
{
    if (!QFileInfo(kZsh).isExecutable())
        GTEST_SKIP() << "zsh is not installed";
    LiveProcessRunner runner;
    BackgroundStream stream(runner, kZsh, {QStringLiteral("-lc"), QStringLiteral("echo $$; sleep 30 & wait")});
    const pid_t pgid = stream.firstLine().toInt();
    ASSERT_GT(pgid, 0);
    EXPECT_TRUE(groupAlive(pgid));

    stream.requestStop();
    stream.requestStop();
    ASSERT_TRUE(stream.finishesWithin(3s));
    const Streamed s = stream.result();
    EXPECT_EQ(s.terminalCount(), 1);
    EXPECT_EQ(s.last(), ProcessStreamEvent::exited(SIGTERM));
    EXPECT_TRUE(groupGoneWithin(pgid, 1s));
}

TEST(LiveProcessRunnerStream, WhatIgnoresSigtermIsKilledAfterTheGrace)
{
    LiveProcessRunner runner(300ms);

    // The child itself ignores SIGTERM (and so does the sleep it starts).
    {
        BackgroundStream stream(runner, kShell, shell(QStringLiteral("trap '' TERM; echo $$; sleep 30; echo woke")));
        const pid_t pgid = stream.firstLine().toInt();
        ASSERT_GT(pgid, 0);
        const auto canceled = Clock::now();
        stream.requestStop();
        ASSERT_TRUE(stream.finishesWithin(5s));
        EXPECT_GE(Clock::now() - canceled, 250ms);
        const Streamed s = stream.result();
        EXPECT_EQ(s.last(), ProcessStreamEvent::exited(SIGKILL));
        EXPECT_FALSE(s.lines().contains(QStringLiteral("woke")));
        EXPECT_TRUE(groupGoneWithin(pgid, 1s));
    }

    // The child dies at once, a descendant ignores SIGTERM: the stream still
    // waits for the group and the SIGKILL takes the descendant.
    {
        BackgroundStream stream(runner, kShell,
                                shell(QStringLiteral("echo $$; (trap '' TERM; sleep 30; echo late) & wait")));
        const pid_t pgid = stream.firstLine().toInt();
        ASSERT_GT(pgid, 0);
        stream.requestStop();
        ASSERT_TRUE(stream.finishesWithin(5s));
        const Streamed s = stream.result();
        EXPECT_EQ(s.terminalCount(), 1);
        EXPECT_EQ(s.last(), ProcessStreamEvent::exited(SIGTERM));
        EXPECT_TRUE(groupGoneWithin(pgid, 1s));
    }
}

TEST(LiveProcessRunnerConcurrency, ThirtyThreadsEachGetExactlyTheirOwnOutput)
{
    LiveProcessRunner runner;
    constexpr int kThreads = 30;
    std::vector<std::future<QString>> outcomes;
    for (int i = 0; i < kThreads; ++i) {
        outcomes.push_back(std::async(std::launch::async, [&runner, i]() -> QString {
            const QString tag = QStringLiteral("child-%1").arg(i);
            // The children overlap in time, so a pipe end leaked into one of
            // them would hold another's pipe open and mix up output.
            const QString script = QStringLiteral("echo %1; sleep 0.%2; echo %1 >&2").arg(tag).arg(i % 3 + 1);
            if (i % 2 == 0) {
                auto result = runner.run(kShell, shell(script));
                if (!result)
                    return QStringLiteral("launch failed");
                if (*result != ProcessResult{0, tag + u'\n', tag + u'\n'})
                    return QStringLiteral("run %1 got %2|%3").arg(tag, result->standardOutput, result->standardError);
                return {};
            }
            auto s = streamAll(runner, kShell, shell(script));
            if (s.lines() != QStringList{tag, tag} || s.terminalCount() != 1 || s.last() != ProcessStreamEvent::exited(0))
                return QStringLiteral("stream %1 got %2").arg(tag, s.lines().join(u','));
            return {};
        }));
    }
    for (auto& outcome : outcomes) {
        ASSERT_EQ(outcome.wait_for(20s), std::future_status::ready);
        EXPECT_EQ(outcome.get(), QString());
    }
}

}  // namespace
}  // namespace varnel
