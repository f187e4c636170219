// The files are only right if zsh agrees: a real zsh with HOME pointed at the
// test home reads what the configurator wrote.

#include "ShellTestHome.h"

#include "app/CommandLineProduct.h"
#include "engine/shellconfig/ShellConfigurator.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::ActiveProduct;
using varnel::testing::ShellTestHome;

namespace {
QString zshPath()
{
    for (const char* candidate : {"/bin/zsh", "/usr/bin/zsh"})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    return {};
}

struct ZshRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// A test-local runner: a clean environment holding only what a login on a
// fresh account would have, so the user's own variables do not leak in.
ZshRun runZsh(const ShellTestHome& home, const QStringList& arguments, const QString& path)
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
    ZshRun run;
    if (!zsh.waitForFinished(60000)) {
        zsh.kill();
        zsh.waitForFinished();
        run.err = "zsh did not finish";
        return run;
    }
    run.exitCode = zsh.exitStatus() == QProcess::NormalExit ? zsh.exitCode() : -1;
    run.out = QString::fromUtf8(zsh.readAllStandardOutput()).trimmed();
    run.err = QString::fromUtf8(zsh.readAllStandardError());
    return run;
}
}  // namespace

TEST(ZshReadsTheFiles, loginShellHasEachToolDirectoryOnPathOnce)
{
    if (zshPath().isEmpty())
        GTEST_SKIP() << "zsh is not installed";
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const ShellConfigurator configurator(home.fs());
    ASSERT_TRUE(configurator.configureShell().succeeded);
    configurator.configureUvPath();
    configurator.configureMise();
    configurator.configureCargoPath();
    configurator.configureUvPath();  // idempotent: no second line

    // Adding the same directories again inside the shell must not duplicate
    // them either: that is what "typeset -U" is for.
    const ZshRun run = runZsh(home,
                              {"-lc", "path=(\"$HOME/.cargo/bin\" $path); export PATH=\"$HOME/.local/bin:$PATH\"; "
                                      "print -r -- \"$PATH\""},
                              home.path(".local/bin") + ":/usr/bin:/bin");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList entries = run.out.split(u':');
    EXPECT_EQ(entries.count(home.path(".local/bin")), 1) << run.out.toStdString();
    EXPECT_EQ(entries.count(home.path(".cargo/bin")), 1) << run.out.toStdString();
    EXPECT_TRUE(entries.contains("/usr/bin")) << run.out.toStdString();
}

TEST(ZshReadsTheFiles, interactiveShellExportsWhatIsInDotEnv)
{
    if (zshPath().isEmpty())
        GTEST_SKIP() << "zsh is not installed";
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const ShellConfigurator configurator(home.fs());
    ASSERT_TRUE(configurator.configureShell().succeeded);
    configurator.configureMise();

    // A plain assignment, no "export": "set -a" around the source exports it.
    QFile env(home.path(".env"));
    ASSERT_TRUE(env.open(QIODevice::Append));
    env.write("VARNEL_PROBE_KEY=from-dotenv\n");
    env.close();

    const ZshRun run = runZsh(home, {"-ic", "printenv VARNEL_PROBE_KEY"}, "/usr/bin:/bin");
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.split(u'\n').last(), "from-dotenv") << run.err.toStdString();
}
