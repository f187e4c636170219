#include "engine/remediation/InstallOutputFilter.h"

#include <gtest/gtest.h>

#include <random>

using varnel::InstallOutputFilter;

namespace {

const QString kLog = QStringLiteral("2026-01-08 10:11:12.345 installer[123:456] ");

QStringList shown(const QStringList& lines) { return InstallOutputFilter::filter(lines); }

}  // namespace

TEST(InstallOutputFilter, DropsSystemLogLinesOnlyWithTheWholeTimestampAtTheStart)
{
    EXPECT_TRUE(shown({}).isEmpty());
    const QString twoDigits = QStringLiteral("2026-01-08 10:11:12.34 installer[123:456] x");
    const QString notAtStart = QStringLiteral("> ") + kLog + QStringLiteral("x");
    EXPECT_EQ(shown({kLog + QStringLiteral("PackageKit: done"), twoDigits, notAtStart, QStringLiteral("kept")}),
              (QStringList{twoDigits, notAtStart, QStringLiteral("kept")}));
}

TEST(InstallOutputFilter, NextStepsBlockEndsAtTheDocumentationLinkOrAnOrdinaryLine)
{
    const QStringList homebrew{
        QStringLiteral("==> Installation successful!"),
        QStringLiteral("  ==> Next steps:"),
        QStringLiteral("- Run these commands in your terminal to add Homebrew to your PATH:"),
        QStringLiteral("    echo >> /Users/u/.zprofile"),
        QStringLiteral(""),
        QStringLiteral("- Further documentation:"),
        QStringLiteral("    https://docs.brew.sh"),
        QStringLiteral("after the link"),
    };
    EXPECT_EQ(shown(homebrew), (QStringList{homebrew.first(), homebrew.last()}));

    EXPECT_EQ(shown({QStringLiteral("==> Next steps:"), QStringLiteral("\t- tab bullet"), QStringLiteral("plain"),
                     QStringLiteral("- bullet after the block")}),
              (QStringList{QStringLiteral("plain"), QStringLiteral("- bullet after the block")}));
}

TEST(InstallOutputFilter, BlockDropsAtMostThirtyLines)
{
    QStringList lines{QStringLiteral("==> Next steps:")};
    for (int i = 1; i <= 31; ++i)
        lines << QStringLiteral("    line %1").arg(i);
    lines << QStringLiteral("    line 32");
    EXPECT_EQ(shown(lines), (QStringList{QStringLiteral("    line 31"), QStringLiteral("    line 32")}));
}

TEST(InstallOutputFilter, OldMacOSWarningGetsOneNoteEachTime)
{
    const QString warning = QStringLiteral("==> We (and Apple) do not provide support for this old version.");
    const QStringList out = shown({warning, QStringLiteral("x"), warning});
    ASSERT_EQ(out.size(), 5);
    EXPECT_EQ(out.count(InstallOutputFilter::oldMacOSNote()), 2);
    EXPECT_EQ(out[1], InstallOutputFilter::oldMacOSNote());
}

// The screen feeds lines one by one; what it shows after each line must be
// what the whole-transcript rule gives for the transcript so far.
TEST(InstallOutputFilter, IncrementalFeedEqualsTheWholeTranscriptRuleOnRandomTranscripts)
{
    const QStringList vocabulary{
        QStringLiteral("==> Next steps:"),
        QStringLiteral("   ==> Next steps: again"),
        QStringLiteral("- bullet"),
        QStringLiteral("  - indented bullet"),
        QStringLiteral("\tindented command"),
        QStringLiteral(""),
        QStringLiteral("   "),
        QStringLiteral("    https://docs.brew.sh"),
        QStringLiteral("see docs.brew.sh/Installation"),
        QStringLiteral("==> Downloading and installing Homebrew..."),
        QStringLiteral("plain line"),
        QStringLiteral("==> We (and Apple) do not provide support for this old version."),
        kLog + QStringLiteral("message"),
        QStringLiteral("2026-01-08 10:11:12.3456 a[1:2] "),
        QStringLiteral("2026-01-08 10:11:12.34 a[1:2] short fraction"),
        QStringLiteral("2026-01-08 10:11:12.345 a[1:2]no space"),
        QStringLiteral("-"),
    };
    std::mt19937 random(20260108);
    for (int transcript = 0; transcript < 400; ++transcript) {
        const int length = std::uniform_int_distribution<int>(0, 120)(random);
        const bool longBlocks = transcript % 4 == 0;  // mostly indented lines: reach the 31-line limit
        QStringList lines;
        for (int i = 0; i < length; ++i) {
            const int pick = std::uniform_int_distribution<int>(0, static_cast<int>(vocabulary.size()) - 1)(random);
            lines << (longBlocks && pick % 3 != 0 ? QStringLiteral("    command") : vocabulary[pick]);
        }
        InstallOutputFilter incremental;
        QStringList fed;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            incremental.feed(lines[n], fed);
            ASSERT_EQ(fed, InstallOutputFilter::filter(lines.first(n + 1)))
                << "transcript " << transcript << ", after line " << n;
        }
    }
}
