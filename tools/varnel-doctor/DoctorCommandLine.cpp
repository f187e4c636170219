#include "tools/varnel-doctor/DoctorCommandLine.h"

#include "engine/remediation/GitIdentityInput.h"

namespace varnel {

namespace {

using Refusal = Expected<DoctorCommandLine, QString>;

QStringList commaList(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(u',', Qt::SkipEmptyParts))
        items << item.trimmed();
    items.removeAll(QString());
    return items;
}

}  // namespace

bool DoctorCommandLine::breaksLine(const QString& value) { return GitIdentityInput::breaksLines(value); }

QByteArray DoctorCommandLine::usage()
{
    return "usage: varnel-doctor [--json]\n"
           "       varnel-doctor --list-fixes [--json]\n"
           "       varnel-doctor --fix [ID…] [--git-name NAME --git-email EMAIL] [--project-folder PATH]\n"
           "                     [--languages L,…] [--skills SLUG,…] [--mcp SLUG,…]\n"
           "                     [--mcp-key-env SLUG=VARIABLE] [--mcp-key-stdin SLUG]\n"
           "                     [--keep-going] [--raw] [--yes] [--json]\n"
           "\n"
           "Profiles this Mac the way Varnel does and prints what its diagnosis screen\n"
           "would show: the profile facts, the summary lines and every stage with its\n"
           "placement, classification, headline, detail and actions.\n"
           "\n"
           "  --json            print JSON instead of text (keys in the README)\n"
           "  --list-fixes      the fixes the stages offer on this Mac now: id, title, caption\n"
           "  --fix ID…         run those fixes, in order, as the app's progress screen does;\n"
           "                    asks \"Proceed? [y/N]\" first (without a terminal: --yes)\n"
           "  --languages       the languages to install (python, node, java, ruby, rust)\n"
           "  --skills, --mcp   the skills and MCP servers to add\n"
           "  --mcp-key-env     an MCP server's API key from the named environment variable\n"
           "  --mcp-key-stdin   an MCP server's API key from a line of standard input\n"
           "  --keep-going      run the remaining fixes after one fails\n"
           "  --raw             the installers' output unfiltered\n"
           "  --help            show this text\n"
           "\n"
           "Exit status: 0 when every primary stage is ready (--fix: every fix succeeded),\n"
           "1 when not (a fix failed), 2 for a usage error or a refused fix, 130 when stopped.\n";
}

Expected<DoctorCommandLine, QString> DoctorCommandLine::parse(const QStringList& arguments)
{
    DoctorCommandLine line;
    bool sawFixInput = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        // Options that take a value take the next argument.
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments.at(++i);
        };
        const auto takes = [&](const char* name) { return argument == QLatin1String(name); };

        if (takes("--json")) {
            line.json = true;
        } else if (takes("--help") || takes("-h")) {
            line.mode = Mode::help;
            return line;
        } else if (takes("--list-fixes")) {
            line.mode = Mode::listFixes;
        } else if (takes("--fix")) {
            line.mode = Mode::fix;
        } else if (takes("--raw") || takes("--yes") || takes("-y") || takes("--keep-going")) {
            (takes("--raw") ? line.raw : takes("--keep-going") ? line.keepGoing : line.yes) = true;
            sawFixInput = true;
        } else if (takes("--git-name") || takes("--git-email") || takes("--project-folder") ||
                   takes("--languages") || takes("--skills") || takes("--mcp") || takes("--mcp-key-env") ||
                   takes("--mcp-key-stdin")) {
            const auto given = value();
            if (!given)
                return Refusal::failure(argument + QStringLiteral(" needs a value."));
            // The Git identity has the Git stage's own messages, below.
            if (breaksLine(*given) && !takes("--git-name") && !takes("--git-email"))
                return Refusal::failure(argument + QStringLiteral(" must fit on one line."));
            sawFixInput = true;
            if (takes("--git-name"))
                line.gitName = *given;
            else if (takes("--git-email"))
                line.gitEmail = *given;
            else if (takes("--project-folder"))
                line.projectFolder = *given;
            else if (takes("--languages"))
                line.languages << commaList(*given);
            else if (takes("--skills"))
                line.skills << commaList(*given);
            else if (takes("--mcp"))
                line.mcp << commaList(*given);
            else if (takes("--mcp-key-stdin"))
                line.mcpKeyStdin << given->trimmed();
            else {
                const qsizetype equals = given->indexOf(u'=');
                if (equals <= 0 || equals == given->size() - 1)
                    return Refusal::failure(QStringLiteral("--mcp-key-env takes SERVER=VARIABLE, such as "
                                                           "firecrawl=FIRECRAWL_KEY (the key itself never goes on "
                                                           "the command line)."));
                line.mcpKeyEnv.emplace_back(given->left(equals).trimmed(), given->mid(equals + 1).trimmed());
            }
        } else if (!argument.startsWith(u'-') && line.mode == Mode::fix) {
            line.ids << argument;
        } else {
            return Refusal::failure(QStringLiteral("unknown argument ") + argument);
        }
    }

    if (line.mode != Mode::fix) {
        if (sawFixInput)
            return Refusal::failure(QStringLiteral("Those options only go with --fix."));
        return line;
    }
    if (line.ids.isEmpty() && line.languages.isEmpty() && line.skills.isEmpty() && line.mcp.isEmpty())
        return Refusal::failure(QStringLiteral("--fix needs at least one fix (see --list-fixes)."));
    // Trimmed, as the Git stage's fields are.
    if (line.gitName)
        line.gitName = line.gitName->trimmed();
    if (line.gitEmail)
        line.gitEmail = line.gitEmail->trimmed();
    if (auto refused = GitIdentityInput::refusal(line.gitName.value_or(QString()), line.gitEmail.value_or(QString())))
        return Refusal::failure(*refused);
    QStringList keyed;
    for (const auto& [slug, variable] : line.mcpKeyEnv)
        keyed << slug;
    keyed << line.mcpKeyStdin;
    for (const QString& slug : keyed) {
        if (!line.mcp.contains(slug))
            return Refusal::failure(QStringLiteral("An API key was given for %1, which --mcp does not ask for.")
                                        .arg(slug));
        if (keyed.count(slug) > 1)
            return Refusal::failure(QStringLiteral("Two API keys were given for %1.").arg(slug));
    }
    return line;
}

}  // namespace varnel
