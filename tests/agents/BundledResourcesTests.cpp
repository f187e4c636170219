#include "AgentTestHome.h"

#include "engine/agents/AgentSkill.h"
#include "engine/agents/BundledResources.h"
#include "engine/agents/ProjectTemplate.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::AgentTestHome;

// The application the build made finds every folder the catalogues name,
// and each bundled skill announces itself under its own slug.
TEST(BundledResources, theBuiltApplicationFindsEveryResourceTheCataloguesName)
{
    const LiveFileSystem fs;
    const BundledResources resources(fs, QStringLiteral(VARNEL_APP_EXECUTABLE_DIR));
    for (ProjectTemplate t : {ProjectTemplate::simple, ProjectTemplate::coding}) {
        const auto folder = resources.find(projectTemplatesResourceFolder(), folderName(t));
        ASSERT_TRUE(folder) << folderName(t).toStdString();
        for (const char* file : {"README.md", "CLAUDE.md", "AGENTS.md"})
            EXPECT_TRUE(fs.fileExists(*folder + "/" + file)) << file;
    }
    for (const AgentSkill& skill : AgentSkill::catalog()) {
        if (skill.source.kind != AgentSkill::Source::Kind::bundle)
            continue;
        const auto folder = resources.find(AgentSkill::resourceFolder(), skill.source.name);
        ASSERT_TRUE(folder) << skill.slug.toStdString();
        const QString text = QString::fromUtf8(fs.contents(*folder + "/SKILL.md").valueOr({}));
        EXPECT_TRUE(text.startsWith("---\nname: " + skill.slug + "\ndescription: ")) << skill.slug.toStdString();
    }
}

TEST(BundledResources, looksInContentsResourcesOfAMacBundleAndNeverOutside)
{
    AgentTestHome home;
    home.mkdir("Varnel.app/Contents/MacOS");
    home.mkdir("Varnel.app/Contents/Resources/skills/s");
    const BundledResources resources(home.fs(), home.path("Varnel.app/Contents/MacOS"));
    EXPECT_EQ(resources.find("skills", "s"), home.path("Varnel.app/Contents/Resources/skills/s"));
    EXPECT_EQ(resources.find("skills", "t"), std::nullopt);
    EXPECT_EQ(resources.find("skills", ".."), std::nullopt);
    EXPECT_EQ(resources.find("..", "Contents"), std::nullopt);
}
