#include "ShellTestHome.h"

#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/shellconfig/FileAppendWriter.h"
#include "engine/shellconfig/ShellConfigurator.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::ActiveProduct;
using varnel::testing::ShellTestHome;

namespace {
QString u(const char16_t* text) { return QString::fromUtf16(text); }
QByteArray utf8(const QString& text) { return text.toUtf8(); }

const QByteArray envFile = utf8(
    u(u"# ~/.env \u2014 API keys for MCP servers and CLIs (sourced by ~/.zshrc). Fill in real values.\n"
      u"# Uncomment a line and paste your own value.\n"
      u"# export ANTHROPIC_API_KEY=...\n"
      u"# export OPENAI_API_KEY=...\n"
      u"# Example vendor-specific MCP key (rename per server):\n"
      u"# export BRAVE_API_KEY=...\n"));
}  // namespace

TEST(ShellConfigurator, configuresABareHomeAndSaysSoTwice)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const ShellConfigurator configurator(home.fs());
    EXPECT_FALSE(configurator.isConfigured());

    const auto first = configurator.configureShell();
    EXPECT_TRUE(first.succeeded);
    EXPECT_EQ(first.messages,
              (QStringList{
                  "Configured ~/.zprofile (backup at " + home.path(".zprofile.bak") + ").",
                  "Configured ~/.zshrc (backup at " + home.path(".zshrc.bak") + ").",
                  u(u"Created ~/.env (permissions 600) with commented placeholders \u2014 add your API keys there."),
                  "Shell configuration complete. Open a new terminal for the changes to take effect.",
              }));

    const QByteArray zprofileHeader =
        utf8(u(u"# ~/.zprofile \u2014 PATH + environment, loaded once per login shell\n"));
    const QByteArray zshrcHeader = utf8(u(u"# ~/.zshrc \u2014 aliases, completions, prompt (interactive shells)\n"));
    EXPECT_EQ(home.read(".zprofile"),
              zprofileHeader + "\n" + utf8(u(u"# Varnel \u2014 shell environment\n")) + "typeset -U path PATH\n");
    EXPECT_EQ(home.read(".zshrc"), zshrcHeader + "\n" + utf8(u(u"# Varnel \u2014 interactive shell\n"))
                                       + "if type brew >/dev/null 2>&1; then\n"
                                         "  FPATH=\"$(brew --prefix)/share/zsh/site-functions:$FPATH\"\n"
                                         "fi\n"
                                         "autoload -Uz compinit && compinit\n"
                                         "[ -f \"$HOME/.env\" ] && set -a && source \"$HOME/.env\" && set +a\n");
    EXPECT_EQ(home.read(".zprofile.bak"), zprofileHeader);
    EXPECT_EQ(home.read(".zshrc.bak"), zshrcHeader);
    EXPECT_EQ(home.read(".env"), envFile);
    EXPECT_EQ(home.mode(".env"), 0600);
    EXPECT_TRUE(configurator.isConfigured());

    // The user puts a key in ~/.env and opens it up; a second run leaves it be.
    home.write(".env", "export ANTHROPIC_API_KEY=sk-test\n");
    ::chmod(QFile::encodeName(home.path(".env")).constData(), 0640);
    const auto files = home.snapshot();
    const auto second = configurator.configureShell();
    EXPECT_TRUE(second.succeeded);
    EXPECT_EQ(second.messages,
              (QStringList{
                  u(u"~/.zprofile is already configured \u2014 nothing to do."),
                  u(u"~/.zshrc is already configured \u2014 nothing to do."),
                  u(u"~/.env already exists \u2014 leaving it untouched (add keys there yourself)."),
                  "Shell configuration complete. Open a new terminal for the changes to take effect.",
              }));
    EXPECT_EQ(home.snapshot(), files);
    EXPECT_EQ(home.mode(".env"), 0640);
}

TEST(ShellConfigurator, headersGoOnlyIntoBlankFiles)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    home.write(".zprofile", " \n\t\n");
    home.write(".zshrc", "alias ll='ls -l'");
    ASSERT_TRUE(ShellConfigurator(home.fs()).configureShell().succeeded);
    EXPECT_TRUE(home.read(".zprofile").startsWith(utf8(u(u"# ~/.zprofile \u2014 PATH + environment"))));
    EXPECT_TRUE(home.read(".zshrc").startsWith("alias ll='ls -l'\n\n# Varnel"));
    EXPECT_EQ(home.read(".zshrc.bak"), "alias ll='ls -l'");
}

TEST(ShellConfigurator, settingsOnlyInCommentsAreNotConfiguredButNotAddedEither)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    home.write(".zprofile", "typeset -U path PATH\n");
    const QByteArray zshrc = "# source \"$HOME/.env\" once the file exists\nalias ll='ls -l'\n";
    home.write(".zshrc", zshrc);
    home.write(".env", "");
    const ShellConfigurator configurator(home.fs());
    EXPECT_FALSE(configurator.isConfigured());

    const auto outcome = configurator.configureShell();
    EXPECT_EQ(outcome.messages[1], u(u"~/.zshrc is already configured \u2014 nothing to do."));
    EXPECT_EQ(home.read(".zshrc"), zshrc);
    EXPECT_FALSE(home.exists(".zshrc.bak"));
    EXPECT_FALSE(configurator.isConfigured());

    // With the line live (indented, say) and ~/.env gone, only ~/.env is missing.
    home.write(".zshrc", "  source \"$HOME/.env\"\n");
    EXPECT_TRUE(configurator.isConfigured());
    QFile::remove(home.path(".env"));
    EXPECT_FALSE(configurator.isConfigured());
}

TEST(ShellConfigurator, toolPathAppendsReportWrittenThenAlreadySet)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const ShellConfigurator configurator(home.fs());

    EXPECT_EQ(configurator.configureUvPath(), "Configured uv on PATH (~/.zprofile).");
    EXPECT_EQ(configurator.configureUvPath(), u(u"uv on PATH (~/.zprofile) is already set \u2014 nothing to do."));
    EXPECT_EQ(configurator.configureCargoPath(), "Configured Rust (cargo) on PATH (~/.zprofile).");
    EXPECT_EQ(configurator.configureCargoPath(),
              u(u"Rust (cargo) on PATH (~/.zprofile) is already set \u2014 nothing to do."));
    EXPECT_EQ(home.read(".zprofile"),
              utf8(u(u"# Varnel \u2014 uv PATH\n")) + "export PATH=\"$HOME/.local/bin:$PATH\"\n\n"
                  + utf8(u(u"# Varnel \u2014 rustup PATH\n")) + "export PATH=\"$HOME/.cargo/bin:$PATH\"\n");

    // The shims line is in ~/.zprofile already; ~/.zshrc lacks the activation,
    // and the shims line must not pass for it.
    ShellTestHome mise;
    mise.write(".zprofile", "command -v mise >/dev/null 2>&1 && eval \"$(mise activate zsh --shims)\"\n");
    mise.write(".zshrc", "# mise activate zsh --shims\n");
    const ShellConfigurator miseConfigurator(mise.fs());
    EXPECT_EQ(miseConfigurator.configureMise(),
              (QStringList{u(u"mise shims (~/.zprofile) is already set \u2014 nothing to do."),
                           "Configured mise activate (~/.zshrc)."}));
    EXPECT_TRUE(mise.read(".zshrc").endsWith("\ncommand -v mise >/dev/null 2>&1 && eval \"$(mise activate zsh)\"\n"));
    EXPECT_EQ(miseConfigurator.configureMise(),
              (QStringList{u(u"mise shims (~/.zprofile) is already set \u2014 nothing to do."),
                           u(u"mise activate (~/.zshrc) is already set \u2014 nothing to do.")}));
}

TEST(ShellConfigurator, failuresBecomeMessagesAndTheOtherStepsStillRun)
{
    ActiveProduct cli(products::commandLine());
    // A ~/.zprofile.bak that is a folder cannot be replaced by a backup; the
    // folder is the user's and stays.
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkpath(".zprofile.bak/keep"));
    const auto outcome = ShellConfigurator(home.fs()).configureShell();
    EXPECT_FALSE(outcome.succeeded);
    ASSERT_EQ(outcome.messages.size(), 3);
    EXPECT_EQ(outcome.messages[0], "Couldn't update ~/.zprofile: Couldn't write backup file: "
                                       + home.path(".zprofile.bak") + " is in the way and is not a regular file");
    EXPECT_TRUE(outcome.messages[1].startsWith("Configured ~/.zshrc"));
    EXPECT_TRUE(outcome.messages[2].startsWith("Created ~/.env"));
    EXPECT_TRUE(QFileInfo(home.path(".zprofile.bak/keep")).isDir());
    // The header went in; the block did not.
    EXPECT_FALSE(home.read(".zprofile").contains("typeset"));

    const ShellConfigurator miseConfigurator(home.fs());
    EXPECT_TRUE(miseConfigurator.configureMise()[0].startsWith(
        "Couldn't configure mise shims (~/.zprofile): Couldn't write backup file: "));
    EXPECT_TRUE(miseConfigurator.configureUvPath().startsWith("Couldn't configure uv on PATH (~/.zprofile): "));
    EXPECT_TRUE(miseConfigurator.configureCargoPath().startsWith(
        "Couldn't configure Rust (cargo) on PATH (~/.zprofile): "));
}

TEST(ShellConfigurator, theDatedMarkerShowsInTheHeadingsOfTheJavaMedic)
{
    ActiveProduct medic(products::javaMedic());
    varnel::testing::FakeFileSystem fs;
    const ShellConfigurator configurator(fs);
    EXPECT_EQ(configurator.configureUvPath(), "Configured uv on PATH (~/.zprofile).");
    const QString expected = FileAppendWriter::heading(QStringLiteral("uv PATH")) + "\n";
    EXPECT_TRUE(QString::fromUtf8(fs.fileContents("/Users/tester/.zprofile")).startsWith(expected));
    EXPECT_TRUE(expected.startsWith("# " + QDate::currentDate().toString(Qt::ISODate) + " "));
}
