#pragma once

#include "engine/agents/AgentSkill.h"
#include "engine/agents/StepOutcome.h"
#include "engine/services/Expected.h"
#include "engine/services/ServiceError.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace varnel {

class BundledResources;
class FileSystemOperating;
class ProcessRunning;

// Copies a skill folder into the `skills` folder of every AI agent on the Mac.
//
// Each copy is made in a hidden sibling folder and renamed into place only
// when complete, so a copy that fails or is interrupted never looks
// installed. A skill that is already there is never touched. Symbolic links
// are left out of the copy: a fetched repository could point one anywhere on
// the Mac, and an agent reading the skill would follow it there.
class SkillFolderInstaller {
public:
    struct Agent {
        QString label;
        QString configDir;  // a folder directly under the home folder
    };
    // The agents that load skills, in the order they are reported.
    static const std::vector<Agent>& agents();

    explicit SkillFolderInstaller(const FileSystemOperating& fs) : fs_(fs) {}

    // Installs the folder at `source` as ~/<configDir>/skills/<slug>.
    StepOutcome install(const QString& source, const QString& slug, const QString& displayName) const;

    // Obtains the skill's folder and installs it: a bundled skill from the
    // application's resources, a fetched one by a blobless clone of its
    // repository at the pinned commit into a temporary folder (removed
    // afterwards). Every message and git's output go to `line` as they come.
    // Blocking; a stop terminates git. Returns the step's outcome, or
    // std::nullopt when it was stopped.
    std::optional<bool> install(const AgentSkill& skill, const BundledResources& resources,
                                const ProcessRunning& process, std::stop_token stop,
                                const std::function<void(const QString&)>& line) const;

    // True when at least one agent is present and every present agent has the skill.
    bool isInstalled(const QString& slug) const;

private:
    std::vector<Agent> presentAgents() const;
    Expected<Done, ServiceError> copyTree(const QString& from, const QString& to) const;
    std::optional<bool> fetchAndInstall(const AgentSkill& skill, const ProcessRunning& process, std::stop_token stop,
                                        const std::function<void(const QString&)>& line) const;

    const FileSystemOperating& fs_;
};

}  // namespace varnel
