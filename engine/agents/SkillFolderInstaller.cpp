#include "engine/agents/SkillFolderInstaller.h"

#include "engine/agents/BundledResources.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/Hosts.h"
#include "engine/services/ProcessRunning.h"

#include <QRegularExpression>
#include <QUuid>

namespace varnel {

namespace {
QString newSuffix() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

bool isFolderName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QStringLiteral(".") &&
           name != QStringLiteral("..");
}

// The clone runs in a login shell so that it uses the git on the user's PATH.
// Every value reaches git as a positional parameter, never as command text.
QString cloneScript(bool sparse)
{
    const QString clone = QStringLiteral("git clone --filter=blob:none --no-checkout \"$1\" \"$2\"");
    const QString checkout = QStringLiteral("git -C \"$2\" -c advice.detachedHead=false checkout \"$3\"");
    if (!sparse)
        return clone + QStringLiteral(" && ") + checkout;
    return clone + QStringLiteral(" && git -C \"$2\" sparse-checkout set \"$4\" && ") + checkout;
}
}  // namespace

const std::vector<SkillFolderInstaller::Agent>& SkillFolderInstaller::agents()
{
    static const std::vector<Agent> known = {
        {QStringLiteral("Claude"), QStringLiteral(".claude")},
        {QStringLiteral("Codex"), QStringLiteral(".codex")},
        {QStringLiteral("Zed"), QStringLiteral(".agents")},
    };
    return known;
}

std::vector<SkillFolderInstaller::Agent> SkillFolderInstaller::presentAgents() const
{
    std::vector<Agent> present;
    for (const Agent& agent : agents())
        if (fs_.fileExists(fs_.homeDirectory() + QLatin1Char('/') + agent.configDir))
            present.push_back(agent);
    return present;
}

Expected<Done, ServiceError> SkillFolderInstaller::copyTree(const QString& from, const QString& to) const
{
    auto attributes = fs_.attributesOfItem(from);
    if (!attributes)
        return Expected<Done, ServiceError>::failure(attributes.error());
    if (attributes->type == FileAttributes::Type::regular)
        return fs_.copyItem(from, to);
    if (attributes->type != FileAttributes::Type::directory)
        return Done{};  // links, pipes, sockets stay behind
    if (auto made = fs_.createDirectory(to, false); !made)
        return made;
    auto entries = fs_.contentsOfDirectory(from);
    if (!entries)
        return Expected<Done, ServiceError>::failure(entries.error());
    for (const QString& name : entries.value())
        if (auto copied = copyTree(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name); !copied)
            return copied;
    return fs_.setPosixPermissions(attributes->posixPermissions, to);
}

StepOutcome SkillFolderInstaller::install(const QString& source, const QString& slug,
                                          const QString& displayName) const
{
    bool isDirectory = false;
    if (!fs_.fileExists(source, &isDirectory) || !isDirectory)
        return {{QStringLiteral("Couldn't find the skill files for ") + displayName + QLatin1Char('.')}, false};
    const std::vector<Agent> present = presentAgents();
    if (present.empty())
        return {{QStringLiteral("No AI agent is set up yet — nothing to install ") + displayName +
                 QStringLiteral(" into.")},
                false};

    StepOutcome outcome;
    QStringList installed, already;
    for (const Agent& agent : present) {
        const QString skills = fs_.homeDirectory() + QLatin1Char('/') + agent.configDir + QStringLiteral("/skills");
        const QString target = skills + QLatin1Char('/') + slug;
        if (isFolderName(slug) && fs_.attributesOfItem(target)) {
            already << agent.label;
            continue;
        }
        // Built beside the target under a hidden name, then renamed into place.
        const QString partial = skills + QStringLiteral("/.varnel-partial-") + newSuffix();
        auto done = isFolderName(slug)
                        ? Expected<Done, ServiceError>(Done{})
                        : Expected<Done, ServiceError>::failure(
                              ServiceError{QStringLiteral("“%1” is not a folder name").arg(slug), 0, {}});
        if (done)
            done = fs_.createDirectory(skills, true);
        if (done)
            done = copyTree(source, partial);
        if (done)
            done = fs_.moveItem(partial, target);
        if (!done) {
            if (fs_.attributesOfItem(partial))
                (void)fs_.removeItem(partial);
            outcome.messages << QStringLiteral("Couldn't install ") + displayName + QStringLiteral(" for ") +
                                    agent.label + QStringLiteral(": ") + done.error().localizedDescription();
            outcome.succeeded = false;
            continue;
        }
        installed << agent.label;
    }
    QStringList summary;
    if (!installed.isEmpty())
        summary << QStringLiteral("Installed ") + displayName + QStringLiteral(" for ") +
                       installed.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (!already.isEmpty())
        summary << already.join(QStringLiteral(", ")) + QStringLiteral(" already had ") + displayName +
                       QStringLiteral(" — left as is.");
    outcome.messages << summary;
    return outcome;
}

std::optional<bool> SkillFolderInstaller::install(const AgentSkill& skill, const BundledResources& resources,
                                                  const ProcessRunning& process, std::stop_token stop,
                                                  const std::function<void(const QString&)>& line) const
{
    if (skill.source.kind == AgentSkill::Source::Kind::fetch)
        return fetchAndInstall(skill, process, stop, line);
    const auto folder = resources.find(AgentSkill::resourceFolder(), skill.source.name);
    if (!folder) {
        line(QStringLiteral("Couldn't find the bundled ") + skill.displayName +
             QStringLiteral(" skill in the app — this build may be missing its skill resources."));
        return false;
    }
    const StepOutcome outcome = install(*folder, skill.slug, skill.displayName);
    for (const QString& message : outcome.messages)
        line(message);
    return outcome.succeeded;
}

std::optional<bool> SkillFolderInstaller::fetchAndInstall(const AgentSkill& skill, const ProcessRunning& process,
                                                          std::stop_token stop,
                                                          const std::function<void(const QString&)>& line) const
{
    const AgentSkill::Source& source = skill.source;
    const QString couldNotFetch =
        QStringLiteral("Couldn't fetch ") + skill.displayName + QStringLiteral(" from ") + source.repo + QLatin1Char('.');
    static const QRegularExpression fullCommit(QStringLiteral("^[0-9a-f]{40}$"));
    const bool sparse = source.subpath != QStringLiteral(".");
    if (!fullCommit.match(source.pin).hasMatch() || source.subpath.startsWith(QLatin1Char('-')) ||
        source.subpath.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        line(couldNotFetch);
        return false;
    }

    const QString clone = fs_.temporaryDirectory() + QStringLiteral("/varnel-skill-") + QString(skill.slug).replace(QLatin1Char('/'), QLatin1Char('_')) +
                          QLatin1Char('-') + newSuffix();
    line(QStringLiteral("Fetching the ") + skill.displayName + QStringLiteral(" skill from ") + source.repo +
         QStringLiteral("…"));
    int32_t code = -1;
    process.stream(QStringLiteral("/bin/zsh"),
                   {QStringLiteral("-lc"), cloneScript(sparse), QStringLiteral("zsh"),
                    hosts::githubSite() + QLatin1Char('/') + source.repo, clone, source.pin, source.subpath},
                   std::nullopt,
                   [&](const ProcessStreamEvent& event) {
                       if (event.kind == ProcessStreamEvent::Kind::line)
                           line(event.text);
                       else if (event.kind == ProcessStreamEvent::Kind::exited)
                           code = event.code;
                       else if (!event.error.isCanceled())
                           line(QStringLiteral("Failed to start: ") + event.error.localizedDescription());
                   },
                   stop);
    const auto cleanUp = [&] {
        if (fs_.attributesOfItem(clone))
            (void)fs_.removeItem(clone);
    };
    if (stop.stop_requested()) {
        cleanUp();
        return std::nullopt;
    }
    if (code != 0) {
        line(couldNotFetch);
        cleanUp();
        return false;
    }

    // The skill's folder must be a real folder of the clone at every step of
    // its path: a link in the repository must not lead the copy elsewhere.
    QString folder = clone;
    bool inside = true;
    for (const QString& part : sparse ? source.subpath.split(QLatin1Char('/'), Qt::SkipEmptyParts) : QStringList()) {
        folder += QLatin1Char('/') + part;
        auto attributes = fs_.attributesOfItem(folder);
        inside = inside && attributes && attributes->type == FileAttributes::Type::directory;
    }
    const StepOutcome outcome =
        inside ? install(folder, skill.slug, skill.displayName)
               : StepOutcome{{QStringLiteral("Couldn't find the skill files for ") + skill.displayName + QLatin1Char('.')},
                             false};
    for (const QString& message : outcome.messages)
        line(message);
    cleanUp();
    return outcome.succeeded;
}

bool SkillFolderInstaller::isInstalled(const QString& slug) const
{
    const std::vector<Agent> present = presentAgents();
    if (present.empty() || !isFolderName(slug))
        return false;
    for (const Agent& agent : present)
        if (!fs_.fileExists(fs_.homeDirectory() + QLatin1Char('/') + agent.configDir + QStringLiteral("/skills/") + slug))
            return false;
    return true;
}

}  // namespace varnel
