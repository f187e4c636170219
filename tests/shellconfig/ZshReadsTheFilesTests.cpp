// The files are only right if zsh agrees: a real zsh with HOME pointed at the
// test home reads what the configurator wrote.

#include "ShellTestHome.h"

#include "engine/shellconfig/ShellConfigurator.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::ShellTestHome;

namespace {
QString zshPath()
{
    for (const char* candidate : {"/bin/zsh", "/usr/bin/zsh"})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    return {};
}

// zsh in a clean environment, as a fresh login would have it, so the
// user's own variables do not leak in. Returns the last line of its output.
QString runZsh(const ShellTestHome& home, const QStringList& arguments, const QString& path)
{
    QProcessEnvironment environment;
    environment.insert("HOME", home.path());
    environment.insert("PATH", path);
    environment.insert("TERM", "dumb");
    environment.insert("LANG", "C.UTF-8");
    QProcess zsh;
    zsh.setProcessEnvironment(environment);
    zsh.setWorkingDirectory(home.path());
    zsh.start(zshPath(), arguments);
    zsh.closeWriteChannel();
    if (!zsh.waitForFinished(60000)) {
        zsh.kill();
        zsh.waitForFinished();
        return QStringLiteral("zsh did not finish");
    }
    const QString out = QString::fromUtf8(zsh.readAllStandardOutput()).trimmed();
    if (zsh.exitStatus() != QProcess::NormalExit || zsh.exitCode() != 0)
        return QStringLiteral("zsh failed: ") + QString::fromUtf8(zsh.readAllStandardError());
    return out.split(u'\n').last();
}
}  // namespace

TEST(ZshReadsTheFiles, loginShellsGetEachPathOnceAndInteractiveShellsGetDotEnv)
{
    if (zshPath().isEmpty())
        GTEST_SKIP() << "zsh is not installed";
    ShellTestHome home;
    const ShellConfigurator configurator(home.fs(), varnel::testing::testMarker);
    ASSERT_TRUE(configurator.configureShell().succeeded);
    configurator.configureUvPath();
    configurator.configureMise();
    configurator.configureCargoPath();

    // Adding the same directories again inside the shell must not duplicate
    // them either: that is what "typeset -U" is for.
    const QString path = runZsh(home,
                                {"-lc", "path=(\"$HOME/.cargo/bin\" $path); export PATH=\"$HOME/.local/bin:$PATH\"; "
                                        "print -r -- \"$PATH\""},
                                home.path(".local/bin") + ":/usr/bin:/bin");
    const QStringList entries = path.split(u':');
    EXPECT_EQ(entries.count(home.path(".local/bin")), 1) << path.toStdString();
    EXPECT_EQ(entries.count(home.path(".cargo/bin")), 1) << path.toStdString();
    EXPECT_TRUE(entries.contains("/usr/bin")) << path.toStdString();

    // A plain assignment, no "export": "set -a" around the source exports it.
    home.write(".env", home.read(".env") + "VARNEL_PROBE_KEY=from-dotenv\n", 0600);
    EXPECT_EQ(runZsh(home, {"-ic", "printenv VARNEL_PROBE_KEY"}, "/usr/bin:/bin"), "from-dotenv");
}
