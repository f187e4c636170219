#pragma once

#include "engine/workflow/SetupTypes.h"

#include <optional>
#include <set>
#include <vector>

namespace varnel {

class FileSystemOperating;
class ProcessRunning;
class SetupRemediation;
struct SystemProfile;

// Builds a product's workflow of stages. The flow model always passes no
// domain, an empty set and no flag; a provider that cannot serve a request
// returns none and the flow model falls back to the Claude product's workflow.
class SpineProvider {
public:
    virtual ~SpineProvider() = default;
    virtual std::optional<SetupWorkflow> workflow(const std::optional<QString>& domainID, const SystemProfile& profile,
                                                  const SetupProbeBundle& probes, const std::set<QString>& domains,
                                                  std::optional<bool> flag) const = 0;
    // The remediations that fix `domainID` now; empty when nothing is to do.
    virtual std::vector<SetupRemediation> remediations(const QString& domainID, const SystemProfile& profile,
                                                       const SetupProbeBundle& probes) const = 0;
};

// Gathers the raw facts a product's stages need. Blocking; never fails: a
// probe that cannot run leaves its field empty, absent or false.
class SetupProber {
public:
    virtual ~SetupProber() = default;
    virtual SetupProbeBundle probe(const ProcessRunning& process, const FileSystemOperating& fs) const = 0;
};

// Checks the machine after installing. Blocking; never fails: a command that
// cannot start gives SetupVerificationResult::couldNotStart().
class SetupVerifier {
public:
    virtual ~SetupVerifier() = default;
    virtual SetupVerificationResult verify(const std::optional<SystemProfile>& profile, const ProcessRunning& process,
                                           const FileSystemOperating& fs) const = 0;
};

// The product's texts of the workflow screens.
class SpineCopyProviding {
public:
    virtual ~SpineCopyProviding() = default;
    virtual std::optional<SpineScreenCopy> domainScreen(const QString& domainID,
                                                        const std::optional<SetupDiagnosis>& diagnosis) const = 0;
    virtual QString summaryLine(const QString& domainID, const SetupDiagnosis& diagnosis) const = 0;
    virtual QString diagnosisWindowTitle() const = 0;
    virtual QString diagnosisHeadline() const = 0;
    virtual QString diagnosisFooter() const = 0;
    virtual QString diagnosisArticlePath() const = 0;
    virtual QString verifyingTitle() const = 0;
    virtual QString keepGoingWindowTitle() const = 0;
    virtual QString keepGoingHeadline() const = 0;
    virtual QString keepGoingBody() const = 0;
    virtual QString outcomeWindowTitle() const = 0;
    virtual QString outcomeReadyHeadline() const = 0;
    virtual QString outcomeReadyBody() const = 0;
    virtual QString outcomeNotVerifiedBody() const = 0;
    virtual QString outcomeFooter() const = 0;
    virtual QString outcomeQuestion() const = 0;
    virtual QString outcomeReadyArticlePath() const = 0;
    virtual QString outcomeTroubleArticlePath() const = 0;
    virtual QString npsWindowTitle() const = 0;
    virtual QString projectFolderPrompt() const = 0;
};

// A product's catalogue of choosable items. Carried by the configurations but
// consulted by no operation: the skills and MCP stages read their catalogues directly.
class StageCatalogProviding {
public:
    virtual ~StageCatalogProviding() = default;
    virtual std::vector<QString> itemIDs(const QString& domainID) const = 0;
    virtual QString catalogName() const = 0;
    virtual std::vector<QString> skillSlugs() const = 0;
    virtual std::vector<QString> mcpServerSlugs() const = 0;
};

}  // namespace varnel
