#include "engine/telemetry/AppEvents.h"
#include "engine/telemetry/EventText.h"
#include "engine/telemetry/FeedbackEvents.h"
#include "engine/telemetry/JavaMedicEvents.h"
#include "engine/telemetry/RemediationEvents.h"
#include "engine/telemetry/SetupEvents.h"

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::events;

namespace {

const JSONValue& at(const TrackedEvent& event, const char* key)
{
    static const JSONValue missing(QStringLiteral("<missing>"));
    const JSONValue* value = event.data.find(QString::fromUtf8(key));
    EXPECT_NE(value, nullptr) << event.name.toStdString() << " has no " << key;
    return value ? *value : missing;
}

QString repeated(const QString& piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

JDKInfo jdk(QString version, QString vendor, QString path) { return {std::move(version), std::move(vendor), {}, std::move(path)}; }

}  // namespace

TEST(EventBuilders, JavaDiagnosisReportsJDKsWithNullsAndHomeScrubbing)
{
    ProbeBundle java;
    java.installedJDKs = {
        jdk("21.0.2", "Eclipse Adoptium", "/Users/ana/.sdkman/candidates/java/21.0.2-tem"),
        jdk("1.8.0_292", "", "/Library/Java/JavaVirtualMachines/jdk1.8.0_292.jdk/Contents/Home"),
        jdk("unparsable", "", "/Users/anabel/jdk"),
    };
    java.javaHomeInActiveShell = QStringLiteral("/Users/ana/.sdkman/candidates/java/current");

    const TrackedEvent event = javaDiagnosisReached("D2_HomeUnset", "JDK installed, JAVA_HOME unset", java, "ana");
    EXPECT_EQ(event.name, "diagnosis_reached");
    EXPECT_EQ(event.data.keys(),
              (QStringList{"diagnosis", "reason", "java_major_version", "discovered_jdks", "current_java_home"}));
    EXPECT_EQ(at(event, "diagnosis"), JSONValue("D2_HomeUnset"));
    EXPECT_EQ(at(event, "java_major_version"), JSONValue(21));
    EXPECT_EQ(at(event, "current_java_home"), JSONValue("/Users/~/.sdkman/candidates/java/current"));

    const JSONValue::Array& jdks = at(event, "discovered_jdks").toArray();
    ASSERT_EQ(jdks.size(), 3u);
    EXPECT_EQ(jdks[0], JSONValue(JSONValue::Object{{"path", "/Users/~/.sdkman/candidates/java/21.0.2-tem"},
                                                   {"major_version", 21},
                                                   {"vendor", "Eclipse Adoptium"}}));
    EXPECT_EQ(jdks[1], JSONValue(JSONValue::Object{
                           {"path", "/Library/Java/JavaVirtualMachines/jdk1.8.0_292.jdk/Contents/Home"},
                           {"major_version", 8},
                           {"vendor", nullptr}}))
        << "outside the home folder the path is unchanged; an empty vendor is null";
    EXPECT_EQ(*jdks[2].toObject().find("path"), JSONValue("/Users/anabel/jdk")) << "another user's folder is not ours";
    EXPECT_TRUE(jdks[2].toObject().find("major_version")->isNull());

    // Unset or empty JAVA_HOME is null; no JDK gives major 0 and an empty list.
    java.javaHomeInActiveShell = QString();
    EXPECT_TRUE(at(javaDiagnosisReached("D1_NoJDK", "no JDK installed", java, "ana"), "current_java_home").isNull());
    const TrackedEvent none = javaDiagnosisReached("D1_NoJDK", "no JDK installed", ProbeBundle{}, "ana");
    EXPECT_TRUE(at(none, "current_java_home").isNull());
    EXPECT_EQ(at(none, "java_major_version"), JSONValue(0));
    EXPECT_EQ(at(none, "discovered_jdks"), JSONValue(JSONValue::Array{}));

    // The "unknown" reason is cut to 120 characters; other reasons are fixed texts.
    const TrackedEvent unknown = javaDiagnosisReached("unknown", QString(300, u'r'), ProbeBundle{}, "ana");
    EXPECT_EQ(at(unknown, "reason").toString().size(), 120);

    // Without a login name nothing is scrubbed.
    EXPECT_EQ(scrubbedHomePath("/Users/ana/x", ""), "/Users/ana/x");
    EXPECT_EQ(scrubbedHomePath("/Users/ana/a:/Users/ana/b", "ana"), "/Users/~/a:/Users/~/b");
}

TEST(EventBuilders, FreeTextIsTrimmedCutByCharactersAndNullWhenEmpty)
{
    EXPECT_TRUE(at(npsSubmitted(9, "  \n\t "), "reason").isNull());
    EXPECT_EQ(at(npsSubmitted(9, "  Great app!\n"), "reason"), JSONValue("Great app!"));
    EXPECT_EQ(at(npsSubmitted(10, QString(600, u'a')), "reason").toString(), QString(500, u'a'));
    EXPECT_EQ(npsSubmitted(7, "x").data.keys(), (QStringList{"score", "reason"}));
    EXPECT_EQ(at(npsSubmitted(7, "x"), "score"), JSONValue(7));

    // Characters, not UTF-16 units: an e with a combining accent counts once.
    const QString accented = QStringLiteral("e\u0301");
    EXPECT_EQ(at(npsSubmitted(10, repeated(accented, 600)), "reason").toString(), repeated(accented, 500));
    const QString flag = QStringLiteral("🇨🇦");
    EXPECT_EQ(truncatedToCharacters(repeated(flag, 3), 2), repeated(flag, 2));

    // A remediation failure's reason: 161 characters become 160, 160 stay.
    const TrackedEvent failed = remediationFailed("brew:warp", 1, QString(161, u'f'));
    EXPECT_EQ(failed.data.keys(), (QStringList{"remediation_id", "exit_code", "reason"}));
    EXPECT_EQ(at(failed, "reason").toString(), QString(160, u'f'));
    EXPECT_EQ(at(remediationFailed("x", 2, QString(160, u'g')), "reason").toString(), QString(160, u'g'));

    // A goal's detail is cut to the prompt's own limit.
    const TrackedEvent goal = goalSelected("build_app", "  an app for my band  ", 8, "post_fix");
    EXPECT_EQ(goal.data.keys(), (QStringList{"goal", "detail", "surface"}));
    EXPECT_EQ(at(goal, "detail"), JSONValue("an app f"));
    EXPECT_TRUE(at(goalSelected("build_app", "   ", 80, "post_fix"), "detail").isNull());
}

TEST(EventBuilders, OptionalKeysAreLeftOutAndOrNullKeysAreAlwaysThere)
{
    const TrackedEvent unmeasured = networkCheck("unmeasured", 1, 3, std::nullopt, std::nullopt);
    EXPECT_EQ(unmeasured.data.keys(), (QStringList{"verdict", "endpoints_reachable", "endpoints_total"}));

    const TrackedEvent measured = networkCheck("ok", 3, 3, 30.04, 400);
    EXPECT_EQ(measured.data.keys(), (QStringList{"verdict", "endpoints_reachable", "endpoints_total", "down_mbps",
                                                 "estimated_install_seconds"}));
    EXPECT_EQ(at(measured, "down_mbps"), JSONValue(30.0));
    EXPECT_EQ(at(networkCheck("slow", 1, 3, 12.36, std::nullopt), "down_mbps"), JSONValue(12.4));

    const TrackedEvent disk = diskSpaceCheck("low", 15'000'000'000, 10'000'000'000, 24'600'000'000);
    EXPECT_EQ(disk.data.keys(), (QStringList{"verdict", "worst_case_gb", "headroom_gb", "available_gb"}));
    EXPECT_EQ(at(disk, "available_gb"), JSONValue(25));
    EXPECT_FALSE(diskSpaceCheck("unmeasured", 1, 1, std::nullopt).data.contains("available_gb"));

    const TrackedEvent shown = offerShown("warp", "post_homebrew", "warp_not_installed", std::nullopt, std::nullopt);
    EXPECT_EQ(shown.data.keys(), (QStringList{"offer_id", "offer_surface", "eligibility_reason", "next_step", "goal"}));
    EXPECT_TRUE(at(shown, "next_step").isNull());
    EXPECT_EQ(JSONValue(shown.data).encoded().value(),
              "{\"offer_id\":\"warp\",\"offer_surface\":\"post_homebrew\",\"eligibility_reason\":\"warp_not_installed\","
              "\"next_step\":null,\"goal\":null}");
    const TrackedEvent acted = offerAction("guided_help_plan", "next_step", "selected", "interest_no_fulfillment", "course");
    EXPECT_EQ(acted.data.keys(), (QStringList{"offer_id", "offer_surface", "action", "result", "next_step"}));
    EXPECT_EQ(at(nextStepSelected("course", Outcome::still_blocked, std::nullopt, "completion"), "outcome"),
              JSONValue("still_blocked"));
}

TEST(EventBuilders, ApplicationAndSetupEventsSummariseTheirInputs)
{
    SystemProfile profile;
    profile.architecture = Architecture::appleSilicon;
    profile.macosVersion = {14, 5, 1};
    profile.shell = Shell::other("nu");
    profile.homebrewPrefix = QStringLiteral("/opt/homebrew/bin/brew");
    profile.asdfRoot = QStringLiteral("/Users/ana/.asdf");
    profile.terminals.warp = true;
    profile.terminals.iterm = true;
    profile.aiTooling.zed = true;

    const TrackedEvent launched = appLaunched(profile);
    EXPECT_EQ(launched.data.keys(), (QStringList{"macos_major", "macos_minor", "arch", "shell", "has_homebrew",
                                                 "has_sdkman", "has_mise", "has_jenv", "has_asdf", "has_xcode_clt"}));
    EXPECT_EQ(JSONValue(launched.data).encoded().value(),
              "{\"macos_major\":14,\"macos_minor\":5,\"arch\":\"arm64\",\"shell\":\"other\",\"has_homebrew\":true,"
              "\"has_sdkman\":false,\"has_mise\":false,\"has_jenv\":false,\"has_asdf\":true,\"has_xcode_clt\":false}");
    EXPECT_TRUE(appLaunched(std::nullopt).data.isEmpty());

    const TrackedEvent audit = auditReached(profile, "build_intent");
    EXPECT_EQ(audit.data.keys(), (QStringList{"ai_tool_count", "terminal_count", "ai_tools", "terminals", "entry"}));
    EXPECT_EQ(at(audit, "terminals"), JSONValue(QStringList{"iterm2", "warp"}));
    EXPECT_EQ(at(audit, "ai_tool_count"), JSONValue(1));

    SetupWorkflow workflow;
    auto stage = [](const char* id, SetupDiagnosisClassification c) {
        return std::make_shared<BasicSetupStage>(QString::fromUtf8(id), SetupDiagnosis{{}, {}, c});
    };
    workflow.steps = {{stage("clt", SetupDiagnosisClassification::ready), DomainPlacement::primary},
                      {stage("homebrew", SetupDiagnosisClassification::fixable), DomainPlacement::primary},
                      {stage("warp", SetupDiagnosisClassification::blocked), DomainPlacement::offer}};
    const TrackedEvent diagnosis = setupDiagnosisReached(workflow, profile);
    EXPECT_EQ(diagnosis.data.keys(),
              (QStringList{"reason", "fixable_count", "blocked_count", "terminal_count", "terminals"}));
    EXPECT_EQ(at(diagnosis, "reason"), JSONValue("fixable")) << "only primary stages count";
    EXPECT_EQ(at(diagnosis, "blocked_count"), JSONValue(0));
    workflow.steps[0].stage = stage("clt", SetupDiagnosisClassification::blocked);
    EXPECT_EQ(at(setupDiagnosisReached(workflow, std::nullopt), "reason"), JSONValue("blocked"));
    EXPECT_EQ(at(setupDiagnosisReached(workflow, std::nullopt), "terminal_count"), JSONValue(0));

    SetupVerificationResult passed{QStringLiteral("  zsh 5.9\n") + QString(300, u'v'), true, 0, std::nullopt, {}, {}};
    const TrackedEvent verify = setupVerifyPassed(passed);
    EXPECT_EQ(verify.data.keys(), (QStringList{"cli_version_excerpt", "engine_outcome"}));
    EXPECT_EQ(at(verify, "cli_version_excerpt").toString().size(), 200);
    EXPECT_TRUE(at(verify, "cli_version_excerpt").toString().startsWith("zsh 5.9"));
    EXPECT_EQ(at(verify, "engine_outcome"), JSONValue(""));
    const TrackedEvent failed = setupVerifyFailed(SetupVerificationResult{});
    EXPECT_EQ(failed.data.keys(), (QStringList{"engine_outcome", "exit_code"}));
    EXPECT_EQ(at(failed, "exit_code"), JSONValue(-1));

    EXPECT_EQ(outcomeReported(std::nullopt, "not_resolved").data,
              (JSONValue::Object{{"engine_outcome", "blocked"}, {"self_report", "not_resolved"}}));
    EXPECT_EQ(at(outcomeReported(QStringLiteral("likely_resolved"), "resolved"), "engine_outcome"),
              JSONValue("likely_resolved"));
    EXPECT_EQ(claudeOutcomeReported(std::nullopt, "resolved").name, "claude_outcome_reported");

    EXPECT_EQ(at(appOpened("/Applications/Visual Studio Code.app"), "app"), JSONValue("Visual Studio Code"));
    EXPECT_EQ(at(appOpened("Zed.app"), "app"), JSONValue("Zed"));
    EXPECT_EQ(at(claudePathRepaired("/Users/ana/.local/bin", "ana"), "directory"), JSONValue("/Users/~/.local/bin"));
    EXPECT_EQ(at(auditOutboundClicked("Warp", QUrl("https://www.warp.dev/?utm_source=varnel")), "url"),
              JSONValue("https://www.warp.dev/?utm_source=varnel"));
}

TEST(EventBuilders, JavaVerificationReportsTheVersionLine)
{
    const QString output = QStringLiteral(
        "Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8\n\n"
        "openjdk version \"21.0.2\" 2024-01-16 LTS\n"
        "OpenJDK Runtime Environment Temurin-21.0.2+13 (build 21.0.2+13-LTS)\n");
    const TrackedEvent passed = javaVerifyPassed(output);
    EXPECT_EQ(passed.data.keys(), (QStringList{"java_version_excerpt", "java_major_version"}));
    EXPECT_EQ(at(passed, "java_version_excerpt"), JSONValue("openjdk version \"21.0.2\" 2024-01-16 LTS"));
    EXPECT_EQ(at(passed, "java_major_version"), JSONValue(21));

    const TrackedEvent legacy = javaVerifyPassedWithLegacy("java version \"1.8.0_292\"", "/Users/ana/jdk8", "ana");
    EXPECT_EQ(legacy.data.keys(), (QStringList{"java_version_excerpt", "java_major_version", "chosen_path"}));
    EXPECT_EQ(at(legacy, "java_major_version"), JSONValue(8));
    EXPECT_EQ(at(legacy, "chosen_path"), JSONValue("/Users/~/jdk8"));

    const TrackedEvent failed = javaVerifyFailed(127, "\nzsh: command not found: java\n");
    EXPECT_EQ(failed.data.keys(), (QStringList{"exit_code", "java_version_excerpt"}));
    EXPECT_EQ(at(failed, "java_version_excerpt"), JSONValue("zsh: command not found: java"));
    EXPECT_TRUE(at(javaVerifyPassed("no version here"), "java_major_version").isNull());
    EXPECT_EQ(javaVersionExcerpt(""), QString());
    EXPECT_EQ(javaVersionExcerpt(QString(250, u'j')).size(), 200);

    EXPECT_EQ(chooserShown("d3").data, (JSONValue::Object{{"screen", "d3"}, {"default_offered", 25}}));
}
