#pragma once

#include "engine/agents/ProjectTemplate.h"
#include "engine/agents/StepOutcome.h"
#include "engine/services/Expected.h"
#include "engine/services/ServiceError.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace varnel {

class BundledResources;
class FileSystemOperating;

// Copies an example project from the application's resources into a folder
// of the user's. A template names hidden files "dot.<name>" (a bundled
// dot.gitignore arrives as .gitignore).
//
// Into a new folder the project is copied whole, built under a hidden name
// beside it and renamed into place once complete. Into a folder the user
// picked (merge) nothing of the user's is replaced: files already there stay
// as they are, and the agent instruction files CLAUDE.md and AGENTS.md get
// the template's version beside them as CLAUDE-example.md / AGENTS-example.md.
class TemplateTreeCopier {
public:
    explicit TemplateTreeCopier(const FileSystemOperating& fs) : fs_(fs) {}

    StepOutcome copy(const QString& from, const QString& to, bool merge) const;

    // The whole "create the example project" step: finds the template among
    // the resources and copies it to `destination` (merging into it), or to
    // ~/Documents/<template folder> when there is none.
    StepOutcome createProject(ProjectTemplate projectTemplate, const std::optional<QString>& destination,
                              const BundledResources& resources) const;

private:
    using KeptFiles = std::vector<std::pair<QString, QString>>;  // (kept, example written)
    Expected<Done, ServiceError> copyTree(const QString& from, const QString& to, bool merge,
                                          const QString& relative, KeptFiles& kept) const;
    QString homeForm(const QString& path) const;

    const FileSystemOperating& fs_;
};

}  // namespace varnel
