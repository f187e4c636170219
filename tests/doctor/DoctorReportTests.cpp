#include "app/CommandLineProduct.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"
#include "tools/varnel-doctor/DoctorProbe.h"
#include "tools/varnel-doctor/DoctorReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;

namespace {

const QString kNativeBrew = QStringLiteral("/opt/homebrew/bin/brew");
const QString kIntelBrew = QStringLiteral("/usr/local/bin/brew");

SystemProfile freshMac()
{
    SystemProfile p;
    p.architecture = Architecture::appleSilicon;
    p.macosVersion = {15, 2, 0};
    p.shell = Shell::zsh();
    return p;
}

SystemProfile developersMac()
{
    SystemProfile p = freshMac();
    p.homebrewPrefix = kNativeBrew;
    p.xcodeCommandLineToolsPath = QStringLiteral("/Library/Developer/CommandLineTools");
    p.terminals.warp = true;
    p.aiTooling.warpApp = true;
    p.aiTooling.zed = true;
    p.javaState.installedJDKs = {{QStringLiteral("21.0.5"), QStringLiteral("Eclipse Adoptium"),
                                  QStringLiteral("arm64"), QStringLiteral("/Library/Java/temurin-21.jdk/Contents/Home")}};
    p.javaState.javaHomeInActiveShell = QStringLiteral("/Library/Java/temurin-21.jdk/Contents/Home");
    return p;
}

SetupProbeBundle brewOnPath(QStringList installed = {kNativeBrew})
{
    SetupProbeBundle b;
    b.pathVisiblePrimaryTools = {installed.first()};
    b.installedPrimaryToolLocations = installed;
    b.versionOutput = QStringLiteral("Homebrew 4.4.15\n");
    b.versionExitCode = 0;
    b.shellConfigured = true;
    return b;
}

DoctorReport reportFor(const SystemProfile& profile, const SetupProbeBundle& probes)
{
    const ProductConfig config = products::commandLine();
    return DoctorReport::from(config, profile, probes,
                              config.spineProvider->workflow(std::nullopt, profile, probes, {}, std::nullopt));
}

QJsonObject parsed(const DoctorReport& report)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(report.toJsonText(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

QJsonObject stageNamed(const QJsonObject& json, const QString& domain)
{
    for (const QJsonValue& stage : json[QStringLiteral("stages")].toArray())
        if (stage[QStringLiteral("domain")].toString() == domain)
            return stage.toObject();
    ADD_FAILURE() << "no stage " << domain.toStdString();
    return {};
}

QStringList strings(const QJsonValue& array)
{
    QStringList out;
    for (const QJsonValue& v : array.toArray())
        out << v.toString();
    return out;
}

}  // namespace

TEST(DoctorReport, freshMacIsNotReadyAndSaysWhatTheSummaryScreenSays)
{
    const DoctorReport report = reportFor(freshMac(), {});
    EXPECT_EQ(report.exitCode(), 1);
    // Warp is a primary stage, but the product keeps it out of the summary.
    EXPECT_EQ(report.summaryLines(), (QStringList{QStringLiteral("Command Line Tools: not installed"),
                                                  QStringLiteral("Shell configuration: not installed"),
                                                  QStringLiteral("Homebrew: not installed")}));

    // The JSON says the same as the text, with nulls for what was not found.
    const QJsonObject json = parsed(report);
    EXPECT_FALSE(json[QStringLiteral("ready")].toBool());
    EXPECT_EQ(strings(json[QStringLiteral("summaryLines")]), report.summaryLines());
    EXPECT_TRUE(json[QStringLiteral("profile")][QStringLiteral("homebrewPrefix")].isNull());

    // Every stage in order, with the actions its screen would offer.
    EXPECT_EQ(json[QStringLiteral("stages")].toArray().size(), 13);
    const QJsonObject clt = stageNamed(json, QStringLiteral("clt"));
    EXPECT_EQ(clt[QStringLiteral("classification")].toString(), QStringLiteral("fixable"));
    EXPECT_EQ(strings(clt[QStringLiteral("actions")]), QStringList{QStringLiteral("clt")});
    EXPECT_TRUE(report.toText().contains(QStringLiteral("Not ready: 4 of 4 primary stages need work.")));
}

TEST(DoctorReport, developersMacIsReadyAndOnlyPrimaryStagesDecide)
{
    const DoctorReport report = reportFor(developersMac(), brewOnPath());
    EXPECT_EQ(report.exitCode(), 0);
    const QJsonObject json = parsed(report);
    EXPECT_TRUE(json[QStringLiteral("ready")].toBool());
    EXPECT_EQ(json[QStringLiteral("profile")][QStringLiteral("java")][QStringLiteral("summary")].toString(),
              DoctorReport::javaSummary(developersMac().javaState));

    // Warp has no summary line either way, yet a missing Warp is not ready.
    SystemProfile noWarp = developersMac();
    noWarp.terminals.warp = false;
    noWarp.aiTooling.warpApp = false;
    const DoctorReport withoutWarp = reportFor(noWarp, brewOnPath());
    EXPECT_EQ(withoutWarp.exitCode(), 1);
    EXPECT_EQ(withoutWarp.summaryLines(), report.summaryLines());
}

TEST(DoctorReport, unusableHomebrewsGetTheirOwnSummaryLines)
{
    SetupProbeBundle notOnPath;
    notOnPath.installedPrimaryToolLocations = {kNativeBrew};
    const DoctorReport offPath = reportFor(developersMac(), notOnPath);
    EXPECT_TRUE(offPath.summaryLines().contains(QStringLiteral("Homebrew: installed, not on PATH")));
    EXPECT_EQ(offPath.exitCode(), 1);
    EXPECT_EQ(strings(stageNamed(parsed(offPath), QStringLiteral("homebrew"))[QStringLiteral("actions")]),
              QStringList{QStringLiteral("path-repair:homebrew")});

    SystemProfile migrated = developersMac();
    migrated.homebrewPrefix = kIntelBrew;
    const DoctorReport wrongChip = reportFor(migrated, brewOnPath({kIntelBrew}));
    EXPECT_TRUE(wrongChip.summaryLines().contains(QStringLiteral("Homebrew: installed for the wrong chip")));
    EXPECT_EQ(wrongChip.exitCode(), 1);
}

TEST(DoctorReport, unknownFactsAreNullOrUnknownNeverMadeUp)
{
    ProbeBundle java;
    java.installedJDKs = {{QStringLiteral("21.0.5"), {}, {}, QStringLiteral("/a")},
                          {QString(), QStringLiteral("Azul"), {}, QStringLiteral("/b")}};
    java.javaHomeInActiveShell = QString();  // set but empty is still unset
    EXPECT_EQ(DoctorReport::javaSummary(java), QStringLiteral("2 JDKs: 21.0.5; unknown version (Azul); JAVA_HOME unset"));

    // An unreadable version is null, not "0.0"; no workflow is never ready.
    const ProductConfig config = products::commandLine();
    const DoctorReport empty = DoctorReport::from(config, SystemProfile{}, {}, std::nullopt);
    EXPECT_FALSE(empty.ready());
    const QJsonObject json = parsed(empty);
    EXPECT_TRUE(json[QStringLiteral("profile")][QStringLiteral("macosVersion")].isNull());
    EXPECT_EQ(json[QStringLiteral("profile")][QStringLiteral("shell")].toString(), QStringLiteral("unknown"));
}
