#include "tools/varnel-doctor/DoctorFixPlan.h"

#include "engine/agents/MCPConfigWriter.h"
#include "engine/agents/SkillFolderInstaller.h"
#include "engine/probing/HomebrewLocations.h"
#include "engine/remediation/LanguageRemediations.h"
#include "engine/remediation/SetupRemediationRunner.h"

#include <QJsonObject>

#include <algorithm>

namespace varnel {

namespace {

using Kind = SpineRenderPolicy::SpecialStageKind::Kind;
using Plan = Expected<std::vector<SetupRemediation>, QString>;

void addOnce(std::vector<SetupRemediation>& list, SetupRemediation remediation)
{
    const QString id = remediation.id();
    if (std::none_of(list.begin(), list.end(), [&id](const SetupRemediation& r) { return r.id() == id; }))
        list.push_back(std::move(remediation));
}

// What the ticks of one of the stages with a layout of their own could queue.
void addChoosable(Kind kind, const DoctorProbe::Findings& findings, const FileSystemOperating& fs,
                  std::vector<SetupRemediation>& list)
{
    switch (kind) {
    case Kind::languagesMultiselect: {
        // Every install some set of ticks queues: each language alone, and
        // all of them (which brings mise in for Rust).
        std::set<VarnelLanguage> all;
        for (VarnelLanguage language : VarnelLanguage::allCases()) {
            for (SetupRemediation& r : languageRemediations({language}))
                addOnce(list, std::move(r));
            all.insert(language);
        }
        for (SetupRemediation& r : languageRemediations(all))
            addOnce(list, std::move(r));
        break;
    }
    case Kind::skillsMultiselect: {
        const SkillFolderInstaller skills(fs);
        for (const AgentSkill& skill : AgentSkill::catalog())
            if (!skills.isInstalled(skill.slug))
                addOnce(list, SetupRemediation::installSkill(skill));
        break;
    }
    case Kind::mcpMultiselect: {
        const MCPConfigWriter writer(fs);
        for (const MCPServer& server : MCPServer::catalog())
            if (!writer.isConfigured(server.slug))
                addOnce(list, SetupRemediation::addMCPServer(server));
        break;
    }
    case Kind::gitActions:
        if (!findings.probes.ghPresent)
            addOnce(list, SetupRemediation::installGh());
        addOnce(list, SetupRemediation::configureGit({}, {}));
        if (!findings.probes.ghAuthed)
            addOnce(list, SetupRemediation::githubAuth());
        break;
    default: break;
    }
}

bool isOffered(const std::vector<SetupRemediation>& offered, const QString& id)
{
    return std::any_of(offered.begin(), offered.end(), [&id](const SetupRemediation& r) { return r.id() == id; });
}

QString notOffered(const QString& what, const std::vector<SetupRemediation>& offered)
{
    QStringList ids;
    for (const SetupRemediation& r : offered)
        ids << QStringLiteral("  ") + r.id();
    return what + QStringLiteral(" is not offered on this Mac now. The fixes offered now:\n") +
           (ids.isEmpty() ? QStringLiteral("  (none)") : ids.join(u'\n'));
}

}  // namespace

std::vector<SetupRemediation> DoctorFixPlan::offered(const ProductConfig& config,
                                                     const DoctorProbe::Findings& findings,
                                                     const FileSystemOperating& fs)
{
    std::vector<SetupRemediation> list;
    if (!findings.workflow || !config.spineProvider)
        return list;
    const SpineRenderPolicy& policy = config.spinePolicy;
    // The workflow screen's test: a Homebrew prefix, else a `brew` at either location.
    const bool homebrew = findings.profile.homebrewPrefix.has_value() || installedBrew(fs).has_value();
    for (const WorkflowStep& step : findings.workflow->steps) {
        const QString domain = step.stage->domainID();
        if (!policy.isHomebrewIndependent(domain) && !homebrew)
            continue;
        const auto special = policy.specialStages.find(domain);
        const Kind kind = special != policy.specialStages.end() ? special->second.kind : Kind::groupedInstall;
        for (SetupRemediation& r : config.spineProvider->remediations(domain, findings.profile, findings.probes))
            addOnce(list, std::move(r));
        addChoosable(kind, findings, fs, list);
    }
    return list;
}

QString DoctorFixPlan::caption(const ProductConfig& config, const SetupRemediation& remediation)
{
    const auto& captions = config.spinePolicy.remediationCaptions;
    if (auto own = captions.find(remediation.id()); own != captions.end())
        return own->second;
    return remediation.caption().value_or(QString());
}

QByteArray DoctorFixPlan::listText(const ProductConfig& config, const std::vector<SetupRemediation>& fixes)
{
    QByteArray text;
    for (const SetupRemediation& r : fixes)
        text += (r.id() + u'\t' + r.title() + u'\t' + caption(config, r)).toUtf8() + '\n';
    return text;
}

QJsonArray DoctorFixPlan::listJson(const ProductConfig& config, const std::vector<SetupRemediation>& fixes)
{
    QJsonArray array;
    for (const SetupRemediation& r : fixes)
        array.append(QJsonObject{{QStringLiteral("id"), r.id()},
                                 {QStringLiteral("title"), r.title()},
                                 {QStringLiteral("caption"), caption(config, r)}});
    return array;
}

Plan DoctorFixPlan::make(const DoctorCommandLine& line, const std::vector<SetupRemediation>& offered,
                         const std::map<QString, QString>& apiKeys)
{
    std::vector<SetupRemediation> plan;
    const QString gitConfig = SetupRemediation::configureGit({}, {}).id();
    const QString simpleProject = SetupRemediation::createProject(ProjectTemplate::simple).id();
    if ((line.gitName || line.gitEmail) && !line.ids.contains(gitConfig))
        return Plan::failure(QStringLiteral("--git-name and --git-email go with the fix %1.").arg(gitConfig));
    if (line.projectFolder && !line.ids.contains(simpleProject))
        return Plan::failure(QStringLiteral("--project-folder goes with the fix %1.").arg(simpleProject));

    for (const QString& id : line.ids) {
        if (!isOffered(offered, id))
            return Plan::failure(notOffered(id, offered));
        SetupRemediation::Inputs inputs;
        if (id == gitConfig) {
            if (line.gitName.value_or(QString()).isEmpty() || line.gitEmail.value_or(QString()).isEmpty())
                return Plan::failure(QStringLiteral("%1 needs --git-name and --git-email.").arg(gitConfig));
            inputs.gitName = *line.gitName;
            inputs.gitEmail = *line.gitEmail;
        }
        if (id == simpleProject)
            inputs.projectFolder = line.projectFolder;
        if (auto server = MCPServer::withSlug(id.section(u':', 1)); server && id.startsWith(u"mcp:"))
            if (auto key = apiKeys.find(server->slug); key != apiKeys.end() && !key->second.isEmpty())
                inputs.apiKey = key->second;
        if (auto remediation = SetupRemediation::fromID(id, inputs))
            addOnce(plan, *remediation);
    }

    std::set<VarnelLanguage> languages;
    for (const QString& name : line.languages) {
        const auto language = VarnelLanguage::fromRawValue(name);
        if (!language) {
            QStringList names;
            for (VarnelLanguage l : VarnelLanguage::allCases())
                names << l.rawValue();
            return Plan::failure(QStringLiteral("There is no language called %1 (choose from %2).")
                                     .arg(name, names.join(u", ")));
        }
        languages.insert(*language);
    }
    std::vector<SetupRemediation> chosen = languageRemediations(languages);

    for (const QString& slug : line.skills)
        if (!AgentSkill::withSlug(slug))
            return Plan::failure(QStringLiteral("There is no skill called %1.").arg(slug));
    for (const AgentSkill& skill : AgentSkill::catalog())
        if (line.skills.contains(skill.slug))
            chosen.push_back(SetupRemediation::installSkill(skill));

    for (const QString& slug : line.mcp)
        if (!MCPServer::withSlug(slug))
            return Plan::failure(QStringLiteral("There is no MCP server called %1.").arg(slug));
    for (const MCPServer& server : MCPServer::catalog()) {
        if (!line.mcp.contains(server.slug))
            continue;
        const auto key = apiKeys.find(server.slug);
        // An empty key is no key, as an empty field on the screen.
        const bool hasKey = key != apiKeys.end() && !key->second.isEmpty();
        if (hasKey && !server.connection.keyURLTemplate)
            return Plan::failure(QStringLiteral("%1 takes no API key.").arg(server.displayName));
        chosen.push_back(SetupRemediation::addMCPServer(server, hasKey ? std::optional(key->second) : std::nullopt));
    }

    for (SetupRemediation& remediation : chosen) {
        if (!isOffered(offered, remediation.id()))
            return Plan::failure(notOffered(remediation.id(), offered));
        addOnce(plan, std::move(remediation));
    }
    // What the runner itself would refuse stops everything before anything runs.
    for (const SetupRemediation& remediation : plan)
        if (auto refused = SetupRemediationRunner::refusal(remediation))
            return Plan::failure(*refused);
    return plan;
}

}  // namespace varnel
