// Real processes: the dialog script, the sudo wrapper, the installer command
// and cancellation, with stand-ins for the macOS programs in a temporary folder.

#include "engine/remediation/AdministratorInstall.h"
#include "engine/remediation/BrewRunner.h"
#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "engine/services/LiveProcessRunner.h"
#include "tests/remediation/StandInPrograms.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <thread>

using namespace varnel;

namespace {

using varnel::testing::StandInPrograms;
using varnel::testing::mode;

using PrivilegedProcess = StandInPrograms;

// The first AppleScript string literal after `marker`, unescaped.
QString appleScriptString(const QString& script, const QString& marker)
{
    qsizetype i = script.indexOf(marker);
    i = script.indexOf('"', i) + 1;
    QString out;
    for (; i < script.size() && script[i] != '"'; ++i)
        out += script[i] == '\\' ? script[++i] : script[i];
    return out;
}

const QString kHostile = QStringLiteral("It's \"quoted\" $HOME `id` $(id) \\n \\\\ back\\slash — ünïcødé ✓\nsecond line EOF");

}  // namespace

TEST_F(PrivilegedProcess, DialogShowsAHostilePromptAndTitleVerbatimAndItsFolderIsPrivate)
{
    const PrivilegedExecutor executor(fs_, QStringLiteral("Varnel \"β\" $USER"), programs_);
    auto session = executor.prepare(kHostile);
    ASSERT_TRUE(session) << session.error().message.toStdString();
    const QString folder = session->directory();
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith("ksm-priv-"));
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QDir(path("tmp")).absolutePath());
    EXPECT_EQ(mode(folder), 0700);
    const QString askpass = session->environment().at("SUDO_ASKPASS");
    EXPECT_EQ(mode(askpass), 0700);
    EXPECT_EQ(mode(folder + "/sudo"), 0700);

    // sudo runs the askpass program with its own prompt as the argument.
    const auto answer = process_.run(askpass, {"Password:"});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->standardOutput, "typed-in-the-dialog\n");
    const QString dialog = recorded("osascript").join('\n');
    EXPECT_EQ(appleScriptString(dialog, "display dialog"), kHostile);
    EXPECT_EQ(appleScriptString(dialog, "with title"), "Varnel \"β\" $USER");
    EXPECT_TRUE(dialog.contains("with hidden answer"));

    session.value().end();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(PrivilegedProcess, SudoWrapperAlwaysAsksThroughTheDialogAndKeepsArguments)
{
    auto session = PrivilegedExecutor(fs_, "Varnel", programs_).prepare("p", std::nullopt);
    ASSERT_TRUE(session);
    const QStringList args{"/bin/mkdir", "-p", "a b", "c'd", "$e", "`f`"};
    ASSERT_TRUE(process_.run(session->directory() + "/sudo", args));
    EXPECT_EQ(recorded("sudo"), QStringList{"-A"} + args);
    EXPECT_EQ(session->environment().at("PATH").section(':', 0, 0), session->directory());
    // Without a PATH of its own, the wrapper folder precedes the system folders.
    auto bare = PrivilegedExecutor(fs_, "Varnel", programs_).prepare("p", QString());
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->environment().at("PATH"), bare->directory() + ":/usr/bin:/bin:/usr/sbin:/sbin");
}

TEST_F(PrivilegedProcess, InstallerGetsAHostilePackagePathVerbatim)
{
    ASSERT_TRUE(QDir(root_.path()).mkpath("pkgs/it's a \"dir\""));
    const QString package = path("pkgs/it's a \"dir\"/Temurin $HOME `id` \\ 'x' ü.pkg");
    const AdministratorInstall install(process_, programs_);
    const auto outcome = install.run(package, kHostile, {});
    EXPECT_EQ(outcome.kind, AdministratorInstall::Outcome::Kind::installed) << outcome.failure.toStdString();
    EXPECT_EQ(recorded("installer"), (QStringList{"-pkg", package, "-target", "/"}));
    EXPECT_EQ(appleScriptString(recorded("osascript").join('\n'), "with prompt"), kHostile);

    qputenv("STANDIN_DIALOG", "cancel");
    EXPECT_EQ(install.run(package, "p", {}).kind, AdministratorInstall::Outcome::Kind::canceled);
}

TEST_F(PrivilegedProcess, FoldersLeftByAKilledRunGoAtStart)
{
    ASSERT_TRUE(QDir(path("tmp")).mkpath("ksm-priv-LEFT/inner"));
    ASSERT_TRUE(QDir(path("tmp")).mkpath("someone-else"));
    PrivilegedExecutor::removeLeftovers(fs_);
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path("tmp/someone-else")));
}
