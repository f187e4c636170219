#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/CommandLineProber.h"
#include "engine/workflow/CommandLineSpineCopy.h"
#include "engine/workflow/CommandLineSpineProvider.h"
#include "engine/workflow/CommandLineVerifier.h"
#include "engine/workflow/HomebrewProber.h"
#include "engine/workflow/HomebrewSpineCopy.h"
#include "engine/workflow/HomebrewSpineProvider.h"
#include "engine/workflow/HomebrewVerifier.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {
QStringList domains(const SetupWorkflow& w)
{
    QStringList list;
    for (const WorkflowStep& step : w.steps)
        list << step.stage->domainID();
    return list;
}

SetupDiagnosis diagnosisOf(const SetupWorkflow& w, const QString& domain)
{
    for (const WorkflowStep& step : w.steps)
        if (step.stage->domainID() == domain)
            return step.stage->diagnosis();
    ADD_FAILURE() << "no stage " << domain.toStdString();
    return {};
}
}  // namespace

TEST(HomebrewSpineProvider, homebrewFirstThenTheDeveloperEnvironment)
{
    SystemProfile arm;
    arm.architecture = Architecture::appleSilicon;
    const auto w = *HomebrewSpineProvider().workflow(std::nullopt, arm, {}, {}, std::nullopt);
    EXPECT_EQ(domains(w), QStringList({"clt", "homebrew", "warp", "ai-claude", "codex", "project", "skills", "mcp",
                                       "editor", "shell-config", "languages", "agent-docs", "git"}));
    for (size_t i = 0; i < w.steps.size(); ++i)
        EXPECT_EQ(w.steps[i].placement, i < 3 ? DomainPlacement::primary : DomainPlacement::optional) << i;

    SystemProfile intel;
    intel.architecture = Architecture::intel;
    EXPECT_EQ(HomebrewSpineProvider().workflow(std::nullopt, intel, {}, {}, std::nullopt)->steps.size(), 12u);
    EXPECT_EQ(HomebrewSpineProvider().workflow(QString("homebrew"), intel, {}, {}, std::nullopt), std::nullopt);
}

TEST(HomebrewSpineProvider, withTheHomebrewProberAgentDocsIsReadyAndGitFixable)
{
    varnel::testing::FakeProcessRunner process;  // nothing runs
    varnel::testing::FakeFileSystem fs;
    const SetupProbeBundle probes = HomebrewProber().probe(process, fs);
    SystemProfile p;
    p.architecture = Architecture::appleSilicon;
    const std::vector<std::shared_ptr<const SpineProvider>> providers = {
        std::make_shared<HomebrewSpineProvider>(), std::make_shared<CommandLineSpineProvider>()};
    for (const auto& provider : providers) {
        const auto w = *provider->workflow(std::nullopt, p, probes, {}, std::nullopt);
        EXPECT_EQ(diagnosisOf(w, "agent-docs").classification, SetupDiagnosisClassification::ready);
        EXPECT_EQ(diagnosisOf(w, "git").classification, SetupDiagnosisClassification::fixable);
        EXPECT_EQ(diagnosisOf(w, "project").classification, SetupDiagnosisClassification::fixable);
        EXPECT_EQ(diagnosisOf(w, "codex").classification, SetupDiagnosisClassification::fixable);
        EXPECT_TRUE(provider->remediations("agent-docs", p, probes).empty());
    }
}

TEST(ProductProviders, bothProductsCarryTheirProviders)
{
    const ProductConfig brew = products::homebrew();
    EXPECT_TRUE(std::dynamic_pointer_cast<const HomebrewSpineProvider>(brew.spineProvider));
    EXPECT_TRUE(std::dynamic_pointer_cast<const HomebrewVerifier>(brew.verifier));
    EXPECT_TRUE(std::dynamic_pointer_cast<const HomebrewProber>(brew.prober));
    EXPECT_TRUE(std::dynamic_pointer_cast<const HomebrewSpineCopy>(brew.spineCopy));
    EXPECT_FALSE(brew.stageCatalog);
    EXPECT_EQ(brew.spinePolicy.homebrewIndependentDomains,
              (std::set<QString>{"clt", "homebrew", "project", "skills", "mcp"}));
    EXPECT_EQ(brew.spinePolicy.privilegedActionReason, std::nullopt);

    const ProductConfig cli = products::commandLine();
    EXPECT_TRUE(std::dynamic_pointer_cast<const CommandLineSpineProvider>(cli.spineProvider));
    EXPECT_TRUE(std::dynamic_pointer_cast<const CommandLineVerifier>(cli.verifier));
    EXPECT_TRUE(std::dynamic_pointer_cast<const CommandLineProber>(cli.prober));
    EXPECT_TRUE(std::dynamic_pointer_cast<const CommandLineSpineCopy>(cli.spineCopy));
    EXPECT_FALSE(std::dynamic_pointer_cast<const HomebrewSpineCopy>(cli.spineCopy));
}
