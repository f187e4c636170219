#include "engine/shellconfig/ShellConfigurator.h"

#include "engine/shellconfig/FileAppendWriter.h"
#include "engine/shellconfig/ShellFileTarget.h"

#include <QDir>

namespace varnel {

namespace {
QString s(const char16_t* text) { return QString::fromUtf16(text); }

const QStringList interactiveShellLines{
    QStringLiteral("if type brew >/dev/null 2>&1; then"),
    QStringLiteral("  FPATH=\"$(brew --prefix)/share/zsh/site-functions:$FPATH\""),
    QStringLiteral("fi"),
    QStringLiteral("autoload -Uz compinit && compinit"),
    QStringLiteral("[ -f \"$HOME/.env\" ] && set -a && source \"$HOME/.env\" && set +a"),
};

const QString envFileContents = s(
    u"# ~/.env \u2014 API keys for MCP servers and CLIs (sourced by ~/.zshrc). Fill in real values.\n"
    u"# Uncomment a line and paste your own value.\n"
    u"# export ANTHROPIC_API_KEY=...\n"
    u"# export OPENAI_API_KEY=...\n"
    u"# Example vendor-specific MCP key (rename per server):\n"
    u"# export BRAVE_API_KEY=...\n");

// One of the PATH or activation appends and the texts that report it.
struct ToolAppend {
    QString fileName;
    QString title;
    QString line;
    QString needle;
    QString label;
    QString writtenMessage;
    QString failurePrefix;
};

QString homePath(const FileSystemOperating& fs, const QString& name) { return QDir(fs.homeDirectory()).filePath(name); }

QString runAppend(const FileSystemOperating& fs, const ShellMarker& marker, const ToolAppend& row)
{
    const FileAppendWriter writer(homePath(fs, row.fileName), fs, marker);
    auto result = writer.append(QStringList{row.line}, row.title, PresenceTest::anywhere(row.needle));
    if (!result)
        return row.failurePrefix + result.error().localizedDescription();
    if (result.value().alreadySet)
        return row.label + s(u" is already set \u2014 nothing to do.");
    return row.writtenMessage;
}
}  // namespace

bool ShellConfigurator::isConfigured(const FileSystemOperating& fs)
{
    auto hasSetting = [&fs](const QString& name, const QString& needle) {
        const ShellFileTarget file = ShellFileTarget::inspect(fs, homePath(fs, name), false);
        return file.state == ShellFileTarget::State::regular
               && PresenceTest::inNonCommentLine(needle).isSatisfiedBy(file.text());
    };
    // attributesOfItem does not follow links: a ~/.env link into a dotfiles
    // repository counts, and so it does for configureShell().
    return hasSetting(QStringLiteral(".zprofile"), QStringLiteral("typeset -U path PATH"))
           && hasSetting(QStringLiteral(".zshrc"), QStringLiteral("source \"$HOME/.env\""))
           && fs.attributesOfItem(homePath(fs, QStringLiteral(".env"))).hasValue();
}

ShellConfigurator::Outcome ShellConfigurator::configureShell() const
{
    Outcome outcome;

    struct ShellFile {
        QString name;
        QString displayName;
        QString header;
        QString title;
        QStringList lines;
        QString needle;
    };
    const ShellFile files[] = {
        {QStringLiteral(".zprofile"), QStringLiteral("~/.zprofile"),
         s(u"# ~/.zprofile \u2014 PATH + environment, loaded once per login shell"),
         QStringLiteral("shell environment"), QStringList{QStringLiteral("typeset -U path PATH")},
         QStringLiteral("typeset -U path PATH")},
        {QStringLiteral(".zshrc"), QStringLiteral("~/.zshrc"),
         s(u"# ~/.zshrc \u2014 aliases, completions, prompt (interactive shells)"), QStringLiteral("interactive shell"),
         interactiveShellLines, QStringLiteral("source \"$HOME/.env\"")},
    };

    for (const ShellFile& file : files) {
        const FileAppendWriter writer(homePath(fs_, file.name), fs_, marker_);
        // The header only ever goes into a blank file, so it needs no backup;
        // if it cannot be written the append below says why.
        (void)writer.writeFirstLineIfBlank(file.header);
        auto result = writer.append(file.lines, file.title, PresenceTest::anywhere(file.needle));
        if (!result) {
            outcome.messages << QStringLiteral("Couldn't update ") + file.displayName + QStringLiteral(": ")
                                    + result.error().localizedDescription();
            outcome.succeeded = false;
        } else if (result.value().alreadySet) {
            outcome.messages << file.displayName + s(u" is already configured \u2014 nothing to do.");
        } else {
            outcome.messages << QStringLiteral("Configured ") + file.displayName + QStringLiteral(" (backup at ")
                                    + result.value().backupPath + QStringLiteral(").");
        }
    }

    const QString envPath = homePath(fs_, QStringLiteral(".env"));
    if (fs_.attributesOfItem(envPath)) {
        outcome.messages << s(u"~/.env already exists \u2014 leaving it untouched (add keys there yourself).");
    } else if (auto created = fs_.createFile(envFileContents.toUtf8(), envPath, 0600); !created) {
        // Nothing is left behind: an empty ~/.env would pass for a finished set-up next time.
        outcome.messages << QStringLiteral("Couldn't create ~/.env: ") + created.error().localizedDescription();
        outcome.succeeded = false;
    } else {
        outcome.messages << s(u"Created ~/.env (permissions 600) with commented placeholders \u2014 add your "
                              u"API keys there.");
    }

    if (outcome.succeeded)
        outcome.messages << QStringLiteral("Shell configuration complete. Open a new terminal for the changes to "
                                           "take effect.");
    return outcome;
}

QString ShellConfigurator::configureUvPath() const
{
    return runAppend(fs_, marker_, {QStringLiteral(".zprofile"), QStringLiteral("uv PATH"),
                      QStringLiteral("export PATH=\"$HOME/.local/bin:$PATH\""), QStringLiteral("HOME/.local/bin"),
                      QStringLiteral("uv on PATH (~/.zprofile)"),
                      QStringLiteral("Configured uv on PATH (~/.zprofile)."),
                      QStringLiteral("Couldn't configure uv on PATH (~/.zprofile): ")});
}

QStringList ShellConfigurator::configureMise() const
{
    const QString login = runAppend(
        fs_, marker_, {QStringLiteral(".zprofile"), QStringLiteral("mise (login shims)"),
         QStringLiteral("command -v mise >/dev/null 2>&1 && eval \"$(mise activate zsh --shims)\""),
         QStringLiteral("mise activate zsh --shims"), QStringLiteral("mise shims (~/.zprofile)"),
         QStringLiteral("Configured mise shims (~/.zprofile)."),
         QStringLiteral("Couldn't configure mise shims (~/.zprofile): ")});
    // The needle ends with ")" so that the shims line, which goes on with
    // " --shims", does not pass for the interactive activation.
    const QString interactive = runAppend(
        fs_, marker_, {QStringLiteral(".zshrc"), QStringLiteral("mise (interactive)"),
         QStringLiteral("command -v mise >/dev/null 2>&1 && eval \"$(mise activate zsh)\""),
         QStringLiteral("mise activate zsh)"), QStringLiteral("mise activate (~/.zshrc)"),
         QStringLiteral("Configured mise activate (~/.zshrc)."),
         QStringLiteral("Couldn't configure mise activate (~/.zshrc): ")});
    return {login, interactive};
}

QString ShellConfigurator::configureCargoPath() const
{
    return runAppend(fs_, marker_, {QStringLiteral(".zprofile"), QStringLiteral("rustup PATH"),
                      QStringLiteral("export PATH=\"$HOME/.cargo/bin:$PATH\""), QStringLiteral("HOME/.cargo/bin"),
                      QStringLiteral("Rust (cargo) on PATH (~/.zprofile)"),
                      QStringLiteral("Configured Rust (cargo) on PATH (~/.zprofile)."),
                      QStringLiteral("Couldn't configure Rust (cargo) on PATH (~/.zprofile): ")});
}

}  // namespace varnel
