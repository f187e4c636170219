#include "engine/remediation/InstallOutputFilter.h"

#include <gtest/gtest.h>

#include <random>

using varnel::InstallOutputFilter;

namespace {

const QString kLog = QStringLiteral("2026-01-08 10:11:12.345 installer[123:456] ");

QStringList shown(const QStringList& lines) { return InstallOutputFilter::filter(lines); }

}  // namespace

// System log lines go only with the whole timestamp at the start; a "Next
// steps" block ends at the documentation link, an ordinary line or after 30
// lines; each old-macOS warning gets its note.
TEST(InstallOutputFilter, WholeTranscriptRules)
{
    const QString twoDigits = QStringLiteral("2026-01-08 10:11:12.34 installer[123:456] x");
    const QString notAtStart = QStringLiteral("> ") + kLog + QStringLiteral("x");
    const QString warning = QStringLiteral("==> We (and Apple) do not provide support for this old version.");
    const QString note = InstallOutputFilter::oldMacOSNote();
    QStringList longBlock{QStringLiteral("==> Next steps:")};
    for (int i = 1; i <= 32; ++i)
        longBlock << QStringLiteral("    line %1").arg(i);
    const std::vector<std::pair<QStringList, QStringList>> cases{
        {{}, {}},
        {{kLog + QStringLiteral("PackageKit: done"), twoDigits, notAtStart, QStringLiteral("kept")},
         {twoDigits, notAtStart, QStringLiteral("kept")}},
        {{QStringLiteral("==> Installation successful!"), QStringLiteral("  ==> Next steps:"),
          QStringLiteral("- Run these commands in your terminal to add Homebrew to your PATH:"),
          QStringLiteral("    echo >> /Users/u/.zprofile"), QStringLiteral(""), QStringLiteral("- Further documentation:"),
          QStringLiteral("    https://docs.brew.sh"), QStringLiteral("after the link")},
         {QStringLiteral("==> Installation successful!"), QStringLiteral("after the link")}},
        {{QStringLiteral("==> Next steps:"), QStringLiteral("\t- tab bullet"), QStringLiteral("plain"),
          QStringLiteral("- bullet after the block")},
         {QStringLiteral("plain"), QStringLiteral("- bullet after the block")}},
        {longBlock, {QStringLiteral("    line 31"), QStringLiteral("    line 32")}},
        {{warning, QStringLiteral("x"), warning}, {warning, note, QStringLiteral("x"), warning, note}},
    };
    for (const auto& [lines, expected] : cases)
        EXPECT_EQ(shown(lines), expected) << lines.join(u'|').toStdString();
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
