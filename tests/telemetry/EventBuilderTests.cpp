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

QString textAt(const TrackedEvent& event, const char* key) { return json::text(event.data.value(key, Json())); }

QString repeated(const QString& piece, int times)
{
    QString text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}


}  // namespace

TEST(EventBuilders, RemediationIdentifiersAndReasonsLeaveWithoutTheUsersName)
{
    const QString id = QStringLiteral("path-repair:/Users/ana/.local/bin");
    const QString scrubbed = QStringLiteral("path-repair:/Users/~/.local/bin");
    for (const TrackedEvent& event : {remediationApplied(id, "zprofile", "ana"), remediationCompleted(id, 0, "ana"),
                                      remediationFailed(id, 1, "nonzero_exit", "ana"), remediationCanceled(id, "ana")})
        EXPECT_EQ(textAt(event, "remediation_id"), scrubbed) << event.name.toStdString();

    // Scrubbed before the cut at 160 characters, so no part of the name is left at the end.
    const QString reason = QString(150, u'x') + QStringLiteral(" /Users/anastasia/bin");
    const QString sent = textAt(remediationFailed("brew:warp", 1, reason, "anastasia"), "reason");
    EXPECT_EQ(sent.size(), 160);
    EXPECT_FALSE(sent.contains(QStringLiteral("anas"))) << sent.toStdString();
    EXPECT_EQ(textAt(claudePathRepaired("/Users/ana/.local/bin", "ana"), "directory"), "/Users/~/.local/bin");
}

TEST(EventBuilders, FreeTextIsTrimmedCutByCharactersAndNullWhenEmpty)
{
    EXPECT_TRUE(npsSubmitted(9, "  \n\t ").data["reason"].is_null());
    EXPECT_EQ(textAt(npsSubmitted(9, "  Great app!\n"), "reason"), "Great app!");
    EXPECT_EQ(textAt(npsSubmitted(10, QString(600, u'a')), "reason"), QString(500, u'a'));

    // Characters, not UTF-16 units: an e with a combining accent counts once.
    const QString accented = QStringLiteral("e\u0301");
    EXPECT_EQ(textAt(npsSubmitted(10, repeated(accented, 600)), "reason"), repeated(accented, 500));
    EXPECT_EQ(truncatedToCharacters(repeated(QStringLiteral("🇨🇦"), 3), 2), repeated(QStringLiteral("🇨🇦"), 2));

    const QString output = QStringLiteral("Picked up JAVA_TOOL_OPTIONS: -Dfile.encoding=UTF-8\n\n"
                                          "openjdk version \"21.0.2\" 2024-01-16 LTS\n");
    EXPECT_EQ(textAt(javaVerifyPassed(output), "java_version_excerpt"), "openjdk version \"21.0.2\" 2024-01-16 LTS");
    EXPECT_EQ(textAt(javaVerifyFailed(127, "\nzsh: command not found: java\n"), "java_version_excerpt"),
              "zsh: command not found: java");
    EXPECT_EQ(textAt(setupVerifyPassed(QStringLiteral("  zsh 5.9\n") + QString(300, u'v'), std::nullopt),
                     "cli_version_excerpt"),
              QStringLiteral("zsh 5.9\n") + QString(192, u'v'));
}

TEST(EventBuilders, OptionalKeysAreLeftOutAndOrNullKeysAreAlwaysThere)
{
    EXPECT_FALSE(networkCheck("unmeasured", 1, 3, std::nullopt, std::nullopt).data.contains("down_mbps"));
    EXPECT_EQ(networkCheck("slow", 1, 3, 12.36, std::nullopt).data["down_mbps"], 12.4);
    EXPECT_FALSE(diskSpaceCheck("unmeasured", 1, 1, std::nullopt).data.contains("available_gb"));
    EXPECT_EQ(diskSpaceCheck("low", 15'000'000'000, 10'000'000'000, 24'600'000'000).data["available_gb"], 25);

    // Keys go on the wire in the builder's order, nulls included.
    EXPECT_EQ(json::encoded(offerShown("warp", "post_homebrew", "warp_not_installed", std::nullopt, std::nullopt).data),
              "{\"offer_id\":\"warp\",\"offer_surface\":\"post_homebrew\",\"eligibility_reason\":\"warp_not_installed\","
              "\"next_step\":null,\"goal\":null}");
    EXPECT_EQ(json::encoded(consentGiven().data), "{}") << "no data is an empty object, never null";
    EXPECT_EQ(textAt(setupDiagnosisReached(1, 1, {}), "reason"), "blocked");
}
