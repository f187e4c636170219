#include "AgentTestHome.h"

#include "engine/agents/AgentEnvDoc.h"
#include "engine/agents/TemplateTreeCopier.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::AgentTestHome;

namespace {
struct TemplateHome : AgentTestHome {
    TemplateHome()
    {
        write("tpl/CLAUDE.md", "template claude\n");
        write("tpl/AGENTS.md", "template agents\n");
        write("tpl/README.md", "template readme\n");
        write("tpl/dot.gitignore", ".venv/\n");
        write("tpl/tests/test_a.py", "def test(): pass\n");
    }
    StepOutcome copy(const QString& to, bool merge) const
    {
        return TemplateTreeCopier(fs()).copy(path("tpl"), path(to), merge);
    }
};
}  // namespace

TEST(TemplateTreeCopier, copiesIntoANewFolderOnceAndTurnsDotNamesIntoHiddenFiles)
{
    TemplateHome home;
    EXPECT_EQ(home.copy("Documents/P", false), (StepOutcome{{"Created your project at ~/Documents/P."}, true}));
    EXPECT_EQ(home.read("Documents/P/.gitignore"), ".venv/\n");
    EXPECT_FALSE(home.exists("Documents/P/dot.gitignore"));
    EXPECT_EQ(home.read("Documents/P/tests/test_a.py"), "def test(): pass\n");
    EXPECT_EQ(QDir(home.path("Documents")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"P"});

    const auto before = home.snapshot();
    EXPECT_EQ(home.copy("Documents/P", false),
              (StepOutcome{{"A project already exists at ~/Documents/P — leaving it as is."}, true}));
    EXPECT_EQ(home.snapshot(), before);
}

TEST(TemplateTreeCopier, mergeKeepsTheUsersFilesAndWritesExampleSiblingsOnce)
{
    TemplateHome home;
    const QString folder = varnel::testing::hostileText();
    home.write(folder + "/CLAUDE.md", "my claude\n");
    home.write(folder + "/README.md", "my readme\n");
    EXPECT_EQ(home.copy(folder, true),
              (StepOutcome{{"Added the example files to ~/" + folder + ".",
                            "You already had CLAUDE.md — wrote CLAUDE-example.md instead (your files are untouched)."},
                           true}));
    EXPECT_EQ(home.read(folder + "/CLAUDE.md"), "my claude\n");
    EXPECT_EQ(home.read(folder + "/CLAUDE-example.md"), "template claude\n");
    EXPECT_EQ(home.read(folder + "/README.md"), "my readme\n");
    EXPECT_EQ(home.read(folder + "/AGENTS.md"), "template agents\n");
    EXPECT_FALSE(home.exists(folder + "/README-example.md"));
    EXPECT_FALSE(home.exists("ran"));

    const auto before = home.snapshot();
    EXPECT_EQ(home.copy(folder, true).messages, QStringList{"Added the example files to ~/" + folder + "."});
    EXPECT_EQ(home.snapshot(), before);
}

TEST(AgentEnvDoc, notesGoToThePresentAgentsOnceAfterABackup)
{
    AgentTestHome home;
    const AgentEnvDoc doc(home.fs());
    doc.documentEnvironment();
    EXPECT_TRUE(home.snapshot().empty()) << "no agent, no note";

    home.write(".claude/CLAUDE.md", "Be brief.");
    home.write(".local/bin/uv", "");
    home.write(".zprofile", "export PATH=\"$HOME/.cargo/bin:$PATH\"\n");
    home.mkdir(".codex");
    EXPECT_FALSE(doc.isDocumented());
    const EnvironmentFlags flags = doc.detect();
    EXPECT_TRUE(flags.hasClaude && flags.hasCodex && flags.hasUV && flags.hasCargo);
    EXPECT_FALSE(flags.hasJavaHome || flags.hasMise);

    EXPECT_EQ(doc.documentEnvironment(),
              (StepOutcome{{"Documented your setup for Claude (~/.claude/CLAUDE.md).",
                            "Documented your setup for Codex (~/.codex/AGENTS.md)."},
                           true}));
    const QByteArray note = AgentEnvDoc::document(flags).toUtf8() + "\n";
    EXPECT_EQ(home.read(".claude/CLAUDE.md"), "Be brief.\n\n" + note);
    EXPECT_EQ(home.read(".claude/CLAUDE.md.bak"), "Be brief.");
    EXPECT_EQ(home.read(".codex/AGENTS.md"), note);
    EXPECT_FALSE(home.exists(".codex/AGENTS.md.bak"));
    EXPECT_TRUE(doc.isDocumented());

    // The note names only the tools this Mac has.
    EXPECT_TRUE(note.contains("Rust: rustup") && note.contains("Python: uv"));
    EXPECT_FALSE(note.contains("Java:") || note.contains("mise manages"));

    const auto before = home.snapshot();
    EXPECT_TRUE(doc.documentEnvironment().succeeded);
    EXPECT_EQ(home.snapshot(), before);
}
