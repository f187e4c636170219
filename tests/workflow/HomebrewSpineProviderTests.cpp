#include "engine/workflow/CommandLineSpineProvider.h"
#include "engine/workflow/HomebrewProber.h"
#include "engine/workflow/HomebrewSpineProvider.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;

namespace {
SetupDiagnosis diagnosisOf(const SetupWorkflow& w, const QString& domain)
{
    for (const WorkflowStep& step : w.steps)
        if (step.stage->domainID() == domain)
            return step.stage->diagnosis();
    ADD_FAILURE() << "no stage " << domain.toStdString();
    return {};
}
}  // namespace

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
