#include "engine/remediation/BrewRunner.h"
#include "engine/services/LiveHTTPFetcher.h"

#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

#include <deque>
#include <thread>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {

const QString kBrew = QStringLiteral("/opt/homebrew/bin/brew");

struct Run {
    int exitCode = 0;
    QStringList lines;
};

// A Homebrew that answers each brew run with the next scripted run.
struct ScriptedBrew {
    FakeFileSystem fs;
    FakeProcessRunner process;
    std::shared_ptr<std::deque<Run>> runs = std::make_shared<std::deque<Run>>();
    std::chrono::milliseconds pause{0};

    explicit ScriptedBrew(std::vector<Run> script, std::chrono::milliseconds delay = {})
    {
        fs.addDirectory("/tmp");
        runs->assign(script.begin(), script.end());
        process.setFallback([runs = runs, delay](const QString& exe, const QStringList&)
                                -> std::optional<FakeProcessRunner::Response> {
            if (exe != kBrew || runs->empty())
                return std::nullopt;
            Run next = runs->front();
            runs->pop_front();
            return FakeProcessRunner::Response{ProcessResult{next.exitCode, {}, {}}, {}, delay, next.lines};
        });
    }

    BrewRunner runner() const
    {
        BrewRunner::Options options;
        options.packageFolderName = QStringLiteral("varnel");
        options.retryPause = pause;
        return BrewRunner(kBrew, process, http, fs,
                          PrivilegedExecutor(fs, QStringLiteral("Varnel")), options);
    }
    LiveHTTPFetcher http;  // the package fallback's lookups are faked; nothing goes out

    std::vector<StreamEvent> cask(const QString& name, const CaskRecoveryPolicy& policy, std::stop_token stop = {})
    {
        std::vector<StreamEvent> events;
        runner().installCask(name, QStringLiteral("Password for apps"), policy, stop,
                             [&](const StreamEvent& e) { events.push_back(e); });
        return events;
    }
};

StreamEvent terminal(const std::vector<StreamEvent>& events)
{
    EXPECT_FALSE(events.empty());
    for (size_t i = 0; i + 1 < events.size(); ++i)
        EXPECT_FALSE(events[i].isTerminal()) << "a terminal event before the end";
    return events.empty() ? StreamEvent::output({}) : events.back();
}

QStringList brewCalls(const FakeProcessRunner& process)
{
    QStringList calls;
    for (const QString& call : process.calls())
        calls << call.mid(kBrew.size() + 1);
    return calls;
}

CaskRecoveryPolicy staleJDK(bool missing)
{
    CaskRecoveryPolicy policy;
    policy.staleCaskroom = CaskRecoveryPolicy::StaleCaskroomRecovery{[missing] { return missing; }, "the JDK is gone"};
    return policy;
}

// A fallback whose lookup times out: enough to see that the rules chose it.
CaskRecoveryPolicy fallbackThatTimesOut()
{
    CaskRecoveryPolicy policy;
    policy.pkgFallback = CaskRecoveryPolicy::PKGFallback{
        "temurin", [](const QString& v, const QString& a) { return "Looking up " + v + " " + a; }, "Too slow.",
        &CaskRecoveryPolicy::temurinMajor,
        [](const QString&, const QString&, std::stop_token) {
            return Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error>::failure(
                {AdoptiumAPI::Error::Kind::timedOut, "timed out", 0, "HTTP"});
        }};
    return policy;
}

const QString kLeftover = QStringLiteral("Error: It Seems There Is Already an App at '/Applications/Zed.app'.");
const QString kStale = QStringLiteral("Warning: Not upgrading temurin, the latest version is already installed");
const QStringList kNoTerminal{
    QStringLiteral("sudo: a terminal is required to read the password; either use the -S option to read from standard "
                   "input or configure an askpass helper"),
    QStringLiteral("SUDO: A PASSWORD IS REQUIRED")};

}  // namespace

struct CaskCase {
    const char* name;
    std::vector<Run> runs;
    CaskRecoveryPolicy policy;
    QStringList expectedCalls;
    StreamEvent expected;
};

TEST(BrewRunner, CaskRulesRecoverInOrderAndRunBrewAtMostThreeTimes)
{
    const QString install = QStringLiteral("install --cask zed");
    const QString forced = QStringLiteral("install --cask --force zed");
    const QString reinstall = QStringLiteral("reinstall --cask zed");
    const std::vector<CaskCase> cases{
        {"success", {{0, {}}}, CaskRecoveryPolicy::none(), {install}, StreamEvent::completed(0)},
        {"leftover app, forced install", {{1, {kLeftover}}, {0, {}}}, CaskRecoveryPolicy::none(), {install, forced},
         StreamEvent::completed(0)},
        {"forced install fails for good", {{1, {kLeftover}}, {7, {"boom"}}}, CaskRecoveryPolicy::none(),
         {install, forced}, StreamEvent::completed(7)},
        {"stale Caskroom, reinstall", {{0, {kStale}}, {0, {}}}, staleJDK(true), {install, reinstall},
         StreamEvent::completed(0)},
        {"already installed and present", {{0, {kStale}}}, staleJDK(false), {install}, StreamEvent::completed(0)},
        {"already installed, no stale rule", {{0, {kStale}}}, CaskRecoveryPolicy::none(), {install},
         StreamEvent::completed(0)},
        {"reinstall blocked by a leftover, then forced", {{0, {kStale}}, {1, {kLeftover}}, {4, {}}}, staleJDK(true),
         {install, reinstall, forced}, StreamEvent::completed(4)},
        {"reinstall fails unknown, one retry", {{0, {kStale}}, {1, {"network"}}, {5, {}}}, staleJDK(true),
         {install, reinstall, install}, StreamEvent::completed(5)},
        {"unknown failure retried once", {{1, {"curl: (56) Recv failure"}}, {3, {}}}, CaskRecoveryPolicy::none(),
         {install, install}, StreamEvent::completed(3)},
        {"dialog dismissed", {{1, {"0:120: execution error: User Canceled. (-128)"}}}, CaskRecoveryPolicy::none(),
         {install}, StreamEvent::canceled()},
        {"password wrong three times", {{1, {"Sorry, try again.", "sudo: 3 incorrect password attempts"}}},
         CaskRecoveryPolicy::none(), {install}, StreamEvent::canceled()},
        {"wrapper bypassed without a package", {{1, kNoTerminal}}, CaskRecoveryPolicy::none(), {install},
         StreamEvent::canceled()},
        {"wrapper bypassed with a package", {{1, kNoTerminal}}, fallbackThatTimesOut(), {install},
         StreamEvent::completed(1)},
        {"leftover beats the package fallback", {{1, QStringList(kNoTerminal) << kLeftover}, {0, {}}},
         fallbackThatTimesOut(), {install, forced}, StreamEvent::completed(0)},
        {"forced install bypassed: package", {{1, {kLeftover}}, {1, kNoTerminal}}, fallbackThatTimesOut(),
         {install, forced}, StreamEvent::completed(1)},
        {"forced install refused", {{1, {kLeftover}}, {1, {"sudo: no password was provided"}}},
         CaskRecoveryPolicy::none(), {install, forced}, StreamEvent::canceled()},
    };
    for (const CaskCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBrew brew(c.runs);
        const auto events = brew.cask(QStringLiteral("zed"), c.policy);
        EXPECT_EQ(terminal(events), c.expected);
        EXPECT_EQ(brewCalls(brew.process), c.expectedCalls);
        EXPECT_TRUE(brew.fs.contentsOfDirectory("/tmp").valueOr({}).isEmpty()) << "the dialog folder stays";
        for (const auto& env : brew.process.environments()) {  // every attempt asks through the dialog
            ASSERT_TRUE(env);
            const QString askpass = env->at("SUDO_ASKPASS");
            EXPECT_TRUE(askpass.startsWith("/tmp/ksm-priv-")) << askpass.toStdString();
            EXPECT_TRUE(env->at("PATH").startsWith(askpass.section('/', 0, -2) + ":"));
            EXPECT_EQ(env->count("HOMEBREW_NO_AUTO_UPDATE"), 0u);
        }
    }
}

TEST(BrewRunner, StaleTemurinIsReinstalledWhenTheJDKFolderHasNoTemurin)
{
    FakeFileSystem fs;
    const LiveHTTPFetcher http;
    const AdoptiumAPI adoptium(http);
    const CaskRecoveryPolicy policy = CaskRecoveryPolicy::temurin(adoptium, fs);
    fs.addDirectory("/Library/Java/JavaVirtualMachines/zulu-21.jdk");
    EXPECT_TRUE(policy.staleCaskroom->artifactMissing());
    fs.addDirectory("/Library/Java/JavaVirtualMachines/temurin-25.jdk");
    EXPECT_FALSE(policy.staleCaskroom->artifactMissing());

    EXPECT_EQ(CaskRecoveryPolicy::temurinMajor("temurin"), "25");
    EXPECT_EQ(CaskRecoveryPolicy::temurinMajor("temurin@"), "25");
    EXPECT_EQ(CaskRecoveryPolicy::temurinMajor("temurin@21"), "21");
    EXPECT_FALSE(policy.pkgFallback->resolveAsset("21x", "aarch64", {}));
}

TEST(BrewRunner, StopDuringThePauseEndsCanceledWithoutTheRetry)
{
    ScriptedBrew brew({{1, {"unknown"}}, {0, {}}});
    brew.pause = std::chrono::seconds(30);
    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop.request_stop();
    });
    const auto events = brew.cask(QStringLiteral("zed"), CaskRecoveryPolicy::none(), stop.get_token());
    EXPECT_EQ(terminal(events), StreamEvent::canceled());
    EXPECT_EQ(brew.process.calls().size(), 1);
}

TEST(BrewRunner, FormulaInstallNeverRetriesNorAsksForAPassword)
{
    ScriptedBrew brew({{1, {"Error: No available formula with the name \"ghh\"."}}, {0, {}}});
    std::vector<StreamEvent> events;
    brew.runner().installFormula("ghh", {}, [&](const StreamEvent& e) { events.push_back(e); });
    EXPECT_EQ(terminal(events), StreamEvent::completed(1));
    EXPECT_EQ(brew.process.calls(), QStringList{kBrew + " install ghh"});
    const auto env = brew.process.environments().front();
    EXPECT_EQ(env->at("HOMEBREW_NO_AUTO_UPDATE"), "1");
    EXPECT_EQ(env->count("SUDO_ASKPASS"), 0u);
}
