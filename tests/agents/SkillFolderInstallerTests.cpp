#include "AgentTestHome.h"

#include "engine/agents/BundledResources.h"
#include "engine/agents/SkillFolderInstaller.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::AgentTestHome;
using varnel::testing::FakeProcessRunner;

namespace {
// A skill folder with a nested file and a link that points out of it.
struct SkillHome : AgentTestHome {
    SkillHome()
    {
        write("src/skill/SKILL.md", "---\nname: s\n---\n");
        write("src/skill/scripts/run.sh", "echo hi\n");
        QFile::link("/etc/passwd", path("src/skill/passwd"));
    }
    SkillFolderInstaller installer() const { return SkillFolderInstaller(fs()); }
    StepOutcome install(const QString& slug = "s") const { return installer().install(path("src/skill"), slug, "Skill S"); }
};
}  // namespace

TEST(SkillFolderInstaller, installsIntoThePresentAgentsAndLeavesExistingCopiesAlone)
{
    SkillHome home;
    EXPECT_FALSE(home.installer().isInstalled("s"));
    EXPECT_EQ(home.install(), (StepOutcome{{"No AI agent is set up yet — nothing to install Skill S into."}, false}));

    home.write(".claude/skills/s/SKILL.md", "mine\n");
    home.mkdir(".agents");
    EXPECT_FALSE(home.installer().isInstalled("s"));
    EXPECT_EQ(home.install(),
              (StepOutcome{{"Installed Skill S for Zed.", "Claude already had Skill S — left as is."}, true}));
    EXPECT_EQ(home.read(".claude/skills/s/SKILL.md"), "mine\n");
    EXPECT_EQ(home.read(".agents/skills/s/scripts/run.sh"), "echo hi\n");
    EXPECT_FALSE(home.exists(".agents/skills/s/passwd"));  // links stay behind
    EXPECT_EQ(QDir(home.path(".agents/skills")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"s"});  // no partial copy left over
    EXPECT_TRUE(home.installer().isInstalled("s"));
    EXPECT_FALSE(home.exists(".codex"));

    const auto before = home.snapshot();
    EXPECT_TRUE(home.install().succeeded);
    EXPECT_EQ(home.snapshot(), before);
}

TEST(SkillFolderInstaller, reportsMissingFilesAndKeepsHostileSlugsAsFolderNames)
{
    SkillHome home;
    home.mkdir(".codex");
    EXPECT_EQ(home.installer().install(home.path("nowhere"), "s", "Skill S"),
              (StepOutcome{{"Couldn't find the skill files for Skill S."}, false}));

    const QString slug = varnel::testing::hostileText();
    EXPECT_TRUE(home.install(slug).succeeded);
    EXPECT_EQ(home.read(".codex/skills/" + slug + "/SKILL.md"), "---\nname: s\n---\n");
    EXPECT_FALSE(home.exists("ran"));
    EXPECT_FALSE(home.install("../escape").succeeded);
    EXPECT_FALSE(home.exists(".codex/escape"));
}

TEST(SkillFolderInstaller, fetchesThePinnedCommitWithEveryValueAsOneArgumentAndCleansUp)
{
    SkillHome home;
    home.mkdir(".claude");
    const AgentSkill skill = *AgentSkill::withSlug("skill-creator");
    FakeProcessRunner process;
    QStringList arguments;
    // Stands in for git: makes the clone, with a link that tries to lead the copy elsewhere.
    process.setFallback([&](const QString&, const QStringList& args) {
        arguments = args;
        const QString clone = args.value(4);
        QDir().mkpath(clone + "/" + args.value(6));
        QFile file(clone + "/" + args.value(6) + "/SKILL.md");
        if (file.open(QIODevice::WriteOnly))
            file.write("fetched\n");
        QFile::link(home.path("src"), clone + "/" + args.value(6) + "/elsewhere");
        FakeProcessRunner::Response response;
        response.result = ProcessResult{0, {}, {}};
        response.streamLines = {"Cloning into '" + clone + "'..."};
        return std::optional(response);
    });
    const auto ok = SkillFolderInstaller(home.fs()).install(skill, BundledResources(home.fs(), home.path()), process, {},
                                                            [](const QString&) {});
    EXPECT_EQ(ok, std::optional(true));
    ASSERT_EQ(arguments.size(), 7);
    EXPECT_EQ(arguments.mid(3), QStringList({"https://github.com/anthropics/skills", arguments[4], skill.source.pin,
                                             skill.source.subpath}));
    EXPECT_EQ(home.read(".claude/skills/skill-creator/SKILL.md"), "fetched\n");
    EXPECT_FALSE(home.exists(".claude/skills/skill-creator/elsewhere"));
    EXPECT_FALSE(QFileInfo::exists(arguments[4]));
}
