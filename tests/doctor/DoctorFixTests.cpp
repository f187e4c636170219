#include "app/CommandLineProduct.h"
#include "support/FakeFileSystem.h"
#include "tools/varnel-doctor/DoctorCommandLine.h"
#include "tools/varnel-doctor/DoctorFixPlan.h"
#include "tools/varnel-doctor/DoctorFixRun.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;

namespace {

using Event = SetupRemediationRunner::Event;

QStringList args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out << QString::fromUtf8(a);
    return out;
}

QString refusalOf(std::initializer_list<const char*> list)
{
    const auto parsed = DoctorCommandLine::parse(args(list));
    return parsed ? QString() : parsed.error();
}

QStringList ids(const std::vector<SetupRemediation>& list)
{
    QStringList out;
    for (const SetupRemediation& r : list)
        out << r.id();
    return out;
}

DoctorProbe::Findings findingsFor(const ProductConfig& config, SystemProfile profile, SetupProbeBundle probes = {})
{
    profile.shell = Shell::zsh();
    return {profile, probes, config.spineProvider->workflow(std::nullopt, profile, probes, {}, std::nullopt)};
}

// The plan a command line gives on a Mac that has Homebrew and the Command Line Tools.
Expected<std::vector<SetupRemediation>, QString> planFor(std::initializer_list<const char*> list,
                                                         const std::map<QString, QString>& keys = {})
{
    const ProductConfig config = products::commandLine();
    FakeFileSystem fs;
    SystemProfile mac;
    mac.homebrewPrefix = QStringLiteral("/opt/homebrew/bin/brew");
    const auto offered = DoctorFixPlan::offered(config, findingsFor(config, mac), fs);
    const auto line = DoctorCommandLine::parse(args(list));
    EXPECT_TRUE(line) << line.error().toStdString();
    return DoctorFixPlan::make(*line, offered, keys);
}

}  // namespace

TEST(DoctorCommandLine, refusesWhatCouldNotBeUsedAsGiven)
{
    EXPECT_TRUE(refusalOf({"--fix", "homebrew", "--project-folder", "/a\nb"}).contains(u"one line"));
    EXPECT_TRUE(refusalOf({"--fix", "git:config", "--git-name", "A\u2028B"}).contains(u"name must fit on one line"));
    EXPECT_TRUE(refusalOf({"--fix", "git:config", "--git-email", "a@b@c"}).contains(u"one @ and no spaces"));
    EXPECT_TRUE(refusalOf({"--fix", "git:config", "--git-email", "a b@c"}).contains(u"one @ and no spaces"));
    EXPECT_TRUE(refusalOf({"--fix", "--mcp", "notion", "--mcp-key-env", "firecrawl=KEY"}).contains(u"firecrawl"));
    EXPECT_TRUE(refusalOf({"--fix", "--mcp", "firecrawl", "--mcp-key-env", "sk-123"}).contains(u"SERVER=VARIABLE"));
    EXPECT_FALSE(refusalOf({"--fix"}).isEmpty());                     // nothing to do
    EXPECT_FALSE(refusalOf({"--yes"}).isEmpty());                     // only with --fix
    EXPECT_FALSE(refusalOf({"--fix", "--git-name"}).isEmpty());       // a value is missing
    EXPECT_FALSE(refusalOf({"homebrew"}).isEmpty());                  // an id without --fix

    const auto line = DoctorCommandLine::parse(args({"--fix", "clt", "homebrew", "--mcp", "firecrawl,notion",
                                                     "--mcp-key-stdin", "firecrawl", "--keep-going", "--json"}));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->mode, DoctorCommandLine::Mode::fix);
    EXPECT_EQ(line->ids, args({"clt", "homebrew"}));
    EXPECT_EQ(line->mcp, args({"firecrawl", "notion"}));
    EXPECT_TRUE(line->keepGoing && line->json && !line->yes);
}

TEST(DoctorFixPlan, offersWhatTheStagesWouldOfferBehindTheHomebrewGate)
{
    const ProductConfig config = products::commandLine();
    FakeFileSystem fs;
    const QStringList fresh = ids(DoctorFixPlan::offered(config, findingsFor(config, {}), fs));
    // A fresh Mac: no brew-based fix until Homebrew is there, but the stages
    // that need no Homebrew offer theirs, the special ones included.
    for (const char* id : {"clt", "homebrew", "shell-config", "git:config", "git:gh-auth", "example:simple",
                           "skill:avoid-ai-writing", "mcp:firecrawl"})
        EXPECT_TRUE(fresh.contains(QString::fromUtf8(id))) << id;
    for (const char* id : {"brew:warp", "uv", "mise:node@lts"})
        EXPECT_FALSE(fresh.contains(QString::fromUtf8(id))) << id;

    fs.addExecutable(QStringLiteral("/opt/homebrew/bin/brew"));
    const QStringList brewed = ids(DoctorFixPlan::offered(config, findingsFor(config, {}), fs));
    for (const char* id : {"brew:warp", "uv", "brew:mise", "mise:rust", "rustup", "brew:temurin"})
        EXPECT_TRUE(brewed.contains(QString::fromUtf8(id))) << id;
    EXPECT_EQ(brewed.count(QStringLiteral("brew:mise")), 1);

    // The product's own caption wins; the list is one tab-separated line each.
    const auto warp = SetupRemediation::installWarp();
    EXPECT_NE(DoctorFixPlan::caption(config, warp), warp.caption().value());
    EXPECT_TRUE(DoctorFixPlan::listText(config, {warp}).startsWith("brew:warp\tInstall Warp (recommended)\t"));
}

TEST(DoctorFixPlan, turnsTheCommandLineIntoTheFixesInOrder)
{
    const auto plan = planFor({"--fix", "shell-config", "git:config", "--git-name", "O'Brien $(rm -rf ~); x",
                               "--git-email", "ob@example.com", "--languages", "rust,python", "--mcp",
                               "notion,firecrawl", "--mcp-key-env", "firecrawl=KEY"},
                              {{QStringLiteral("firecrawl"), QStringLiteral("fc-1")}});
    ASSERT_TRUE(plan) << plan.error().toStdString();
    EXPECT_EQ(ids(*plan), args({"shell-config", "git:config", "uv", "brew:mise", "mise:rust", "mcp:firecrawl",
                                "mcp:notion"}));
    EXPECT_EQ((*plan)[1].gitName(), QStringLiteral("O'Brien $(rm -rf ~); x"));
    EXPECT_EQ((*plan)[5].apiKey(), QStringLiteral("fc-1"));
    EXPECT_EQ(planFor({"--fix", "--languages", "rust"})->front().id(), QStringLiteral("rustup"));
}

TEST(DoctorFixPlan, refusesBeforeAnythingRuns)
{
    const auto unknown = planFor({"--fix", "homebrew", "brew:nonsense"});
    ASSERT_FALSE(unknown);
    EXPECT_TRUE(unknown.error().contains(u"brew:nonsense is not offered"));
    EXPECT_TRUE(unknown.error().contains(u"\n  shell-config"));  // the offered list follows
    EXPECT_FALSE(planFor({"--fix", "git:config"}));                // no identity given
    EXPECT_FALSE(planFor({"--fix", "homebrew", "--git-name", "A", "--git-email", "a@b"}));
    EXPECT_FALSE(planFor({"--fix", "--languages", "cobol"}));
    EXPECT_FALSE(planFor({"--fix", "--skills", "nonsense"}));
    EXPECT_FALSE(planFor({"--fix", "--mcp", "notion", "--mcp-key-stdin", "notion"},
                         {{QStringLiteral("notion"), QStringLiteral("k")}}));  // takes no key
    // An empty key is no key, as an empty field on the screen.
    EXPECT_EQ(planFor({"--fix", "--mcp", "firecrawl"}, {{QStringLiteral("firecrawl"), QString()}})->front().apiKey(),
              std::nullopt);
}

namespace {

// Runs a plan with a fake runner that ends each fix with the code `codes` gives it.
struct FakeRun {
    explicit FakeRun(std::map<QString, int32_t> failing = {}) : codes(std::move(failing)) {}

    std::map<QString, int32_t> codes;
    std::stop_source* stopDuring = nullptr;
    QStringList ran, opened;
    QByteArray out;

    int run(const std::vector<SetupRemediation>& plan, DoctorFixRun::Options options, std::stop_token stop = {})
    {
        DoctorFixRun::Dependencies deps;
        deps.run = [this](const SetupRemediation& r, const QString&, std::stop_token token,
                          const EventSink<Event>& sink) {
            ran << r.id();
            sink(Event::output(QStringLiteral("2025-01-02 10:00:00.123 softwareupdated[12:34] noise")));
            sink(Event::output(QStringLiteral("working on ") + r.id() + QStringLiteral(" with fc-secret")));
            if (r.kind() == SetupRemediation::Case::githubAuth)
                sink(Event::openBrowser(QStringLiteral("https://github.com/login/device"), QStringLiteral("AB12-CD34")));
            if (stopDuring) {
                stopDuring->request_stop();
                return sink(Event::canceled());
            }
            sink(Event::completed(codes.count(r.id()) ? codes[r.id()] : 0));
            (void)token;
        };
        deps.passwordPrompt = [](const SetupRemediation&) { return QStringLiteral("prompt"); };
        deps.openBrowser = [this](const QString& url) { opened << url; };
        deps.write = [this](const QByteArray& bytes) { out += bytes; };
        return DoctorFixRun(deps, options).run(plan, stop);
    }
};

}  // namespace

TEST(DoctorFixRun, followsTheProgressScreensRules)
{
    using R = SetupRemediation;
    const std::vector<R> languages{R::installMise(), R::installNodeViaMise(), R::installUv(), R::installRustViaMise()};

    // Stops at the first failure…
    FakeRun stopping({{QStringLiteral("brew:mise"), 3}});
    EXPECT_EQ(stopping.run(languages, {}), DoctorFixRun::kFailed);
    EXPECT_EQ(stopping.ran, args({"brew:mise"}));
    EXPECT_TRUE(stopping.out.contains("failed (exit 3)"));
    EXPECT_FALSE(stopping.out.contains("softwareupdated"));  // the filtered transcript

    // …or keeps going, skipping what needs the failed step.
    FakeRun going({{QStringLiteral("brew:mise"), 3}});
    EXPECT_EQ(going.run(languages, {.keepGoing = true, .secrets = {}}), DoctorFixRun::kFailed);
    EXPECT_EQ(going.ran, args({"brew:mise", "uv"}));
    EXPECT_EQ(going.out.count("Skipping "), 2);

    // The sign-in's code and address are told and the browser opened, once.
    FakeRun signIn;
    EXPECT_EQ(signIn.run({R::githubAuth()}, {.raw = true, .secrets = {QStringLiteral("fc-secret")}}),
              DoctorFixRun::kSucceeded);
    EXPECT_FALSE(signIn.out.contains("fc-secret"));  // a key a program printed is not shown
    EXPECT_EQ(signIn.opened, args({"https://github.com/login/device"}));
    EXPECT_TRUE(signIn.out.contains("Your one-time code is AB12-CD34"));
    EXPECT_TRUE(signIn.out.contains("softwareupdated"));  // --raw
}

TEST(DoctorFixRun, aStopEndsTheRunAndJsonIsOneEventPerLine)
{
    std::stop_source stop;
    FakeRun stopped;
    stopped.stopDuring = &stop;
    EXPECT_EQ(stopped.run({SetupRemediation::installHomebrew(), SetupRemediation::configureShell()}, {.json = true, .secrets = {}},
                          stop.get_token()),
              DoctorFixRun::kStopped);
    EXPECT_EQ(stopped.ran, args({"homebrew"}));

    QStringList kinds;
    for (const QByteArray& line : stopped.out.trimmed().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        ASSERT_FALSE(event.isEmpty()) << line.toStdString();
        kinds << event[QStringLiteral("event")].toString();
    }
    EXPECT_EQ(kinds, args({"started", "output", "canceled", "finished"}));
}
