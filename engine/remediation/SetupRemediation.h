#pragma once

#include "engine/agents/AgentSkill.h"
#include "engine/agents/MCPServer.h"
#include "engine/agents/ProjectTemplate.h"

#include <QString>

#include <optional>
#include <variant>

namespace varnel {

// One fix the setup workflow can apply to a Mac. A closed catalogue: the case
// decides the identifier, the texts and how the runner carries it out.
class SetupRemediation {
public:
    enum class Case {
        repairPath,
        createProject,
        installSkill,
        addMCPServer,
        configureGit,
        installCommandLineTools,
        installHomebrew,
        installClaudeCLI,
        repairHomebrewPath,
        installWarp,
        installClaudeDesktop,
        installZed,
        installVSCode,
        installCodexCLI,
        installChatGPTDesktop,
        configureShell,
        installUv,
        installMise,
        installNodeViaMise,
        installRubyViaMise,
        installRustViaMise,
        installRustup,
        installTemurin,
        documentEnvironment,
        installGh,
        githubAuth,
    };

    // The cases with a payload.
    static SetupRemediation repairPath(QString directory);
    static SetupRemediation createProject(ProjectTemplate projectTemplate,
                                          std::optional<QString> destinationPath = std::nullopt);
    static SetupRemediation installSkill(AgentSkill skill);
    static SetupRemediation addMCPServer(MCPServer server, std::optional<QString> apiKey = std::nullopt);
    static SetupRemediation configureGit(QString name, QString email);

    // What an identifier alone cannot say: the values a few cases take from
    // the user (the Git identity, an API key, a folder of their choosing).
    struct Inputs {
        QString gitName;
        QString gitEmail;
        std::optional<QString> apiKey;
        std::optional<QString> projectFolder;
    };
    // The remediation an identifier names ("brew:warp", "skill:<slug>",
    // "path-repair:<directory>", …), or nothing when no case has it.
    static std::optional<SetupRemediation> fromID(const QString& id, const Inputs& inputs = {});

    // The cases without one.
    static SetupRemediation installCommandLineTools() { return SetupRemediation(Case::installCommandLineTools); }
    static SetupRemediation installHomebrew() { return SetupRemediation(Case::installHomebrew); }
    static SetupRemediation installClaudeCLI() { return SetupRemediation(Case::installClaudeCLI); }
    static SetupRemediation repairHomebrewPath() { return SetupRemediation(Case::repairHomebrewPath); }
    static SetupRemediation installWarp() { return SetupRemediation(Case::installWarp); }
    static SetupRemediation installClaudeDesktop() { return SetupRemediation(Case::installClaudeDesktop); }
    static SetupRemediation installZed() { return SetupRemediation(Case::installZed); }
    static SetupRemediation installVSCode() { return SetupRemediation(Case::installVSCode); }
    static SetupRemediation installCodexCLI() { return SetupRemediation(Case::installCodexCLI); }
    static SetupRemediation installChatGPTDesktop() { return SetupRemediation(Case::installChatGPTDesktop); }
    static SetupRemediation configureShell() { return SetupRemediation(Case::configureShell); }
    static SetupRemediation installUv() { return SetupRemediation(Case::installUv); }
    static SetupRemediation installMise() { return SetupRemediation(Case::installMise); }
    static SetupRemediation installNodeViaMise() { return SetupRemediation(Case::installNodeViaMise); }
    static SetupRemediation installRubyViaMise() { return SetupRemediation(Case::installRubyViaMise); }
    static SetupRemediation installRustViaMise() { return SetupRemediation(Case::installRustViaMise); }
    static SetupRemediation installRustup() { return SetupRemediation(Case::installRustup); }
    static SetupRemediation installTemurin() { return SetupRemediation(Case::installTemurin); }
    static SetupRemediation documentEnvironment() { return SetupRemediation(Case::documentEnvironment); }
    static SetupRemediation installGh() { return SetupRemediation(Case::installGh); }
    static SetupRemediation githubAuth() { return SetupRemediation(Case::githubAuth); }

    Case kind() const { return case_; }

    // Identifier, also the remediation_id of telemetry and the key of
    // per-remediation texts ("brew:warp", "path-repair:homebrew", …).
    QString id() const;
    // Button and list label.
    QString title() const;
    // One sentence shown under the title when the user confirms; none for a few cases.
    std::optional<QString> caption() const;
    // How the runner carries it out, for telemetry ("brew", "zprofile_write", …).
    QString method() const;
    // Whether a check on this Mac confirms it right after it runs (the PATH
    // repairs and the two Claude installs), rather than its completing.
    bool isCheckedLocally() const;

    // Payloads; meaningful only for their own case (empty or null otherwise).
    QString directory() const;                      // repairPath
    ProjectTemplate projectTemplate() const;        // createProject
    std::optional<QString> destinationPath() const; // createProject
    const AgentSkill* skill() const;                // installSkill
    const MCPServer* server() const;                // addMCPServer
    std::optional<QString> apiKey() const;          // addMCPServer
    QString gitName() const;                        // configureGit
    QString gitEmail() const;                       // configureGit

    bool operator==(const SetupRemediation&) const = default;

    struct Row;  // the catalogue's row of a case

private:
    const Row& row() const;
    QString fill(const char* text) const;

    struct RepairPath {
        QString directory;
        bool operator==(const RepairPath&) const = default;
    };
    struct CreateProject {
        ProjectTemplate projectTemplate = ProjectTemplate::simple;
        std::optional<QString> destinationPath;
        bool operator==(const CreateProject&) const = default;
    };
    struct InstallSkill {
        AgentSkill skill;
        bool operator==(const InstallSkill&) const = default;
    };
    struct AddMCPServer {
        MCPServer server;
        std::optional<QString> apiKey;
        bool operator==(const AddMCPServer&) const = default;
    };
    struct ConfigureGit {
        QString name;
        QString email;
        bool operator==(const ConfigureGit&) const = default;
    };
    using Payload = std::variant<std::monostate, RepairPath, CreateProject, InstallSkill, AddMCPServer, ConfigureGit>;

    explicit SetupRemediation(Case c, Payload payload = {}) : case_(c), payload_(std::move(payload)) {}

    Case case_;
    Payload payload_;
};

}  // namespace varnel
