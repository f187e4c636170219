// The shell-file writer and the configurator on a real temporary home, with
// what people with real dotfiles have: files changed behind our back, bytes
// that are not UTF-8, links into dotfiles repositories, private modes, and
// things that are not files at all. None of it may be lost or hang the app.

#include "ShellTestHome.h"

#include "engine/shellconfig/ShellConfigurator.h"
#include "engine/shellconfig/ZprofileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace varnel;
using varnel::testing::ShellTestHome;
using varnel::testing::testMarker;

namespace {
const QString uvLine = QStringLiteral("export PATH=\"$HOME/.local/bin:$PATH\"");
const QByteArray uvBlock = testMarker.heading(QStringLiteral("uv PATH")).toUtf8() + '\n' + uvLine.toUtf8() + '\n';

Expected<DiffPreview, WriteError> appendUv(const ShellTestHome& home, const QString& name = ".zprofile",
                                           const FileSystemOperating* fs = nullptr)
{
    return home.writer(name, fs).append(uvLine, QStringLiteral("uv PATH"), QStringLiteral("HOME/.local/bin"), false);
}

// The live file system, except that another program saves the shell file
// each time the writer has made its backup, `edits` times in all.
class BusyEditor final : public LiveFileSystem {
public:
    BusyEditor(const ShellTestHome& home, int edits) : LiveFileSystem(home.path()), home_(home), edits_(edits) {}
    Expected<Done, ServiceError> createFile(const QByteArray& data, const QString& path, int mode) const override
    {
        auto created = LiveFileSystem::createFile(data, path, mode);
        if (edits_-- > 0)
            home_.write(".zprofile", home_.read(".zprofile") + "export EDIT=" + QByteArray::number(edits_) + "\n");
        return created;
    }

private:
    const ShellTestHome& home_;
    mutable int edits_;
};

// The live file system, except that a link is planted at the backup's name
// the moment the old backup is gone.
class LinkPlanter final : public LiveFileSystem {
public:
    explicit LinkPlanter(const ShellTestHome& home) : LiveFileSystem(home.path()), home_(home) {}
    Expected<Done, ServiceError> removeItem(const QString& path) const override
    {
        auto removed = LiveFileSystem::removeItem(path);
        home_.link(QFileInfo(path).fileName(), home_.path("victim"));
        return removed;
    }

private:
    const ShellTestHome& home_;
};
}  // namespace

TEST(FileAppendWriter, appendsOneBlockAfterAnEmptyLineAndBacksUpWhatWasThere)
{
    const struct {
        std::optional<QByteArray> before;
        QByteArray after;
    } cases[] = {
        {std::nullopt, uvBlock},
        {"alias ll='ls -l'", "alias ll='ls -l'\n\n" + uvBlock},
        {"alias ll='ls -l'\n", "alias ll='ls -l'\n\n" + uvBlock},
        {"alias ll='ls -l'\n\n", "alias ll='ls -l'\n\n" + uvBlock},
        {"\n", "\n\n" + uvBlock},
    };
    for (const auto& c : cases) {
        ShellTestHome home;
        if (c.before)
            home.write(".zprofile", *c.before);
        auto result = appendUv(home);
        ASSERT_TRUE(result) << result.error().localizedDescription().toStdString();
        EXPECT_EQ(result->wasCreated, !c.before);
        EXPECT_EQ(result->backupPath, home.path(".zprofile.bak"));
        EXPECT_EQ(result->linesAdded.size(), 2);
        EXPECT_EQ(home.read(".zprofile"), c.after);
        EXPECT_EQ(result->proposedContents.toUtf8(), c.after);
        EXPECT_TRUE(home.exists(".zprofile.bak"));
        EXPECT_EQ(home.read(".zprofile.bak"), c.before.value_or(""));
    }
    const ShellMarker dated{QStringLiteral("Medic"), true};
    EXPECT_EQ(dated.heading(QStringLiteral("t"), QDate(2026, 3, 14)), QString::fromUtf16(u"# 2026-03-14 Medic \u2014 t"));

    // Once there, the block is not added again, and the backup stays; the
    // next real change replaces it: one generation only.
    ShellTestHome home;
    home.write(".zprofile", "export A=1\n");
    ASSERT_TRUE(appendUv(home));
    const QByteArray afterFirst = home.read(".zprofile");
    auto again = appendUv(home);
    ASSERT_TRUE(again && again->alreadySet && home.writer(".zprofile").apply(again.value()));
    EXPECT_EQ(home.read(".zprofile"), afterFirst);
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");
    ASSERT_TRUE(home.writer(".zprofile").append(QStringLiteral("export B=2"), QStringLiteral("b"), "B=2", false));
    EXPECT_EQ(home.read(".zprofile.bak"), afterFirst);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".zprofile", ".zprofile.bak"}));
}

TEST(ZprofileWriter, onlyALiveExportAtTheStartOfALineCountsAsSet)
{
    const struct {
        QByteArray contents;
        bool alreadySet;
    } java[] = {
        {"# export JAVA_HOME=/Library/Java/old\n", false},
        {"  \texport JAVA_HOME=/opt/jdk\n", true},
        {"[ -d /opt ] && export JAVA_HOME=/opt/jdk\n", false},
    };
    for (const auto& c : java) {
        ShellTestHome home;
        home.write(".zprofile", c.contents);
        const DiffPreview preview = ZprofileWriter(home.fs(), testMarker).javaHomePreview(true);
        EXPECT_EQ(preview.alreadySet, c.alreadySet) << c.contents.toStdString();
        EXPECT_EQ(preview.linesAdded.size(), c.alreadySet ? 0 : 3);
        EXPECT_EQ(home.read(".zprofile"), c.contents) << "a preview writes nothing";
        EXPECT_FALSE(home.exists(".zprofile.bak"));
    }
}

TEST(FileAppendWriter, changesByOthersWhileWeWorkSurvive)
{
    ShellTestHome home;
    home.write(".zprofile", "export A=1\n");
    const ZprofileWriter writer(home.fs(), testMarker);
    const DiffPreview shown = writer.javaHomePreview(true);

    // The user edits the file in another window while the diff is on screen.
    home.write(".zprofile", "export A=1\nexport B=2\n");
    auto applied = writer.apply(shown);
    ASSERT_TRUE(applied);
    EXPECT_EQ(home.read(".zprofile"), "export A=1\nexport B=2\n\n" + shown.linesAdded.join(u'\n').toUtf8() + '\n');
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\nexport B=2\n");

    // This time the edit sets JAVA_HOME itself: ours would be a second one.
    home.write(".zprofile", "export A=1\n");
    const DiffPreview stale = writer.javaHomePreview(false);
    ASSERT_FALSE(stale.alreadySet);
    home.write(".zprofile", "export JAVA_HOME=/opt/jdk\n");
    auto skipped = writer.apply(stale);
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped->alreadySet);
    EXPECT_EQ(home.read(".zprofile"), "export JAVA_HOME=/opt/jdk\n");

    // Another program saves the file while the writer works: its text is kept.
    home.write(".zprofile", "export A=1\n");
    const BusyEditor once(home, 1);
    ASSERT_TRUE(appendUv(home, ".zprofile", &once));
    EXPECT_EQ(home.read(".zprofile"), "export A=1\nexport EDIT=0\n\n" + uvBlock);
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\nexport EDIT=0\n");

    // One that never stops makes the writer give up, and its text is kept too.
    home.write(".zprofile", "export A=1\n");
    const BusyEditor always(home, 1000);
    auto gaveUp = appendUv(home, ".zprofile", &always);
    ASSERT_FALSE(gaveUp);
    EXPECT_EQ(gaveUp.error().kind, WriteError::Kind::writeFailed);
    EXPECT_TRUE(gaveUp.error().localizedDescription().contains("kept changing"));
    EXPECT_EQ(home.read(".zprofile"), "export A=1\nexport EDIT=999\nexport EDIT=998\nexport EDIT=997\n")
        << "tried " << FileAppendWriter::kAttempts << " times, then left the file as the other writer left it";
}

TEST(ShellFileSafety, bytesThatAreNotUtf8AndCrlfLineEndsAreAnExactPrefix)
{
    const QByteArray samples[] = {
        QByteArray("# R\xe9glages de Ren\xe9\nexport LANG=fr_FR.ISO8859-1\n"),  // Latin-1
        QByteArray("export A=1\r\nexport B=2\r\n"),                           // CRLF
        QByteArray("\xef\xbb\xbf# with a byte-order mark\r\nexport A=1"),    // BOM, no final LF
        QByteArray("stray \xff\xfe bytes\x80 and a NUL \0 inside\n", 39),
    };
    for (const QByteArray& original : samples) {
        ShellTestHome home;
        home.write(".zprofile", original);
        ASSERT_TRUE(appendUv(home));
        const QByteArray now = home.read(".zprofile");
        EXPECT_TRUE(now.startsWith(original)) << original.toStdString();
        EXPECT_TRUE(now.endsWith(uvBlock));
        EXPECT_EQ(home.read(".zprofile.bak"), original);
        EXPECT_TRUE(appendUv(home)->alreadySet) << "found again in the lenient decoding";
    }

    ShellTestHome latin;
    latin.write(".zprofile", "# caf\xe9\ntypeset -U path PATH\n");
    latin.write(".zshrc", "\xef\xbb\xbf# caf\xe9\n[ -f \"$HOME/.env\" ] && source \"$HOME/.env\"\n");
    latin.write(".env", "");
    EXPECT_TRUE(ShellConfigurator::isConfigured(latin.fs()));
}

TEST(ShellFileSafety, linkedShellFilesStayLinksAndKeepTheirModes)
{
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkpath("dotfiles"));
    home.write("dotfiles/zshrc", "alias g=git\n");
    home.write("dotfiles/zprofile", "export A=1\n", 0600);
    ASSERT_TRUE(home.link(".zshrc", "dotfiles/zshrc"));               // relative
    ASSERT_TRUE(home.link("chain", home.path("dotfiles/zprofile")));  // ~/.zprofile -> chain -> file
    ASSERT_TRUE(home.link(".zprofile", home.path("chain")));

    const ShellConfigurator configurator(home.fs(), testMarker);
    EXPECT_TRUE(configurator.configureShell().succeeded);
    EXPECT_TRUE(ShellConfigurator::isConfigured(home.fs()));
    for (const char* link : {".zshrc", ".zprofile", "chain"})
        EXPECT_TRUE(home.isLink(link)) << link;
    EXPECT_TRUE(home.read("dotfiles/zshrc").startsWith("alias g=git\n\n# "));
    EXPECT_TRUE(home.read("dotfiles/zprofile").contains("typeset -U path PATH"));
    EXPECT_EQ(home.mode("dotfiles/zprofile"), 0600);
    EXPECT_EQ(QDir(home.path("dotfiles")).entryList(QDir::Files | QDir::Hidden), (QStringList{"zprofile", "zshrc"}));

    // The backups are ordinary files beside the links, private when the file is.
    EXPECT_FALSE(home.isLink(".zprofile.bak"));
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");
    EXPECT_EQ(home.mode(".zprofile.bak"), 0600);
    EXPECT_EQ(home.mode(".env"), 0600);
}

TEST(ShellFileSafety, theBackupNeverWritesThroughALinkAtItsName)
{
    ShellTestHome home;
    home.write("victim", "precious\n");
    home.write(".zprofile", "export A=1\n");
    ASSERT_TRUE(home.link(".zprofile.bak", home.path("victim")));
    ASSERT_TRUE(appendUv(home));
    EXPECT_FALSE(home.isLink(".zprofile.bak"));
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");
    EXPECT_EQ(home.read("victim"), "precious\n");

    // A link planted between clearing the old backup and writing the new one.
    const LinkPlanter planter(home);
    const QByteArray before = home.read(".zprofile");
    auto refused = home.writer(".zprofile", &planter)
                       .append(QStringLiteral("export B=2"), QStringLiteral("b"), QStringLiteral("B=2"), false);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, WriteError::Kind::backupFailed);
    EXPECT_EQ(refused.error().underlying.code, EEXIST);
    EXPECT_EQ(home.read("victim"), "precious\n");
    EXPECT_EQ(home.read(".zprofile"), before);
}

TEST(ShellFileSafety, thingsThatAreNotWritableFilesAreRefusedAtOnceAndLeftAsTheyWere)
{
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkdir("folder"));
    ASSERT_EQ(::mkfifo(home.native("fifo").constData(), 0644), 0);
    ASSERT_TRUE(home.link("dangling", home.path("missing/zshrc")));
    ASSERT_TRUE(home.link("loop-a", home.path("loop-b")));
    ASSERT_TRUE(home.link("loop-b", home.path("loop-a")));
    ASSERT_TRUE(home.link("to-fifo", home.path("fifo")));
    const auto before = home.snapshot();

    for (const QString name : {"folder", "fifo", "dangling", "loop-a", "to-fifo"}) {
        // Should anything open the pipe, the test fails instead of hanging:
        // the other end is opened to release it.
        auto attempt = std::async(std::launch::async, [&] { return appendUv(home, name); });
        if (attempt.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            const QByteArray fifo = home.native("fifo");
            const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
            attempt.wait();
            ::close(writer);
            ::close(reader);
            ADD_FAILURE() << name.toStdString() << ": the append blocked";
            continue;
        }
        auto result = attempt.get();
        ASSERT_FALSE(result) << name.toStdString() << " was written";
        EXPECT_TRUE(result.error().localizedDescription().startsWith("Couldn't write file: " + home.path(name)))
            << result.error().localizedDescription().toStdString();
    }
    EXPECT_EQ(home.snapshot(), before);
}

TEST(ShellFileSafety, aFileOrFolderTheUserMayNotWriteIsRefusedUntouched)
{
    if (!varnel::testing::canRunUnprivilegedIn(ShellTestHome().path()))
        GTEST_SKIP() << "no unprivileged user can reach the temporary folder; set TMPDIR to /tmp";

    // A read-only ~/.zprofile in a folder we could write: replacing it by a
    // rename would work, but it is not ours to replace. A read-only home. A
    // ~/.zshrc that links into a folder we may not write.
    ShellTestHome home;
    home.write(".zprofile", "export A=1\n", 0444);
    ASSERT_TRUE(QDir(home.path()).mkdir("readonly"));
    home.write("readonly/zshrc", "alias g=git\n", 0666);
    home.chmod("readonly", 0555);
    ASSERT_TRUE(home.link(".zshrc", home.path("readonly/zshrc")));
    home.chmod("", 0777);
    ShellTestHome locked;
    locked.chmod("", 0555);
    const auto before = home.snapshot();

    const std::string report = varnel::testing::runUnprivileged([&]() -> std::string {
        std::string problems;
        for (const auto& [place, name, named] : {std::tuple{&home, ".zprofile", home.path(".zprofile")},
                                                 std::tuple{&home, ".zshrc", home.path("readonly")},
                                                 std::tuple{&locked, ".zprofile", locked.path()}}) {
            auto result = appendUv(*place, name);
            if (result || result.error().kind != WriteError::Kind::writeFailed ||
                result.error().underlying.code != EACCES || !result.error().localizedDescription().contains(named))
                problems += named.toStdString() + " was not refused as expected; ";
        }
        const auto outcome = ShellConfigurator(locked.fs(), testMarker).configureShell();
        if (outcome.succeeded || !outcome.messages.value(2).startsWith("Couldn't create ~/.env: "))
            problems += "configureShell: " + outcome.messages.join(" | ").toStdString();
        return problems;
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(home.snapshot(), before);
    locked.chmod("", 0700);
    EXPECT_TRUE(locked.snapshot().empty());
    home.chmod("readonly", 0755);
}

TEST(ShellFileSafety, everyOperationRunThreeTimesChangesNothingAfterTheFirst)
{
    for (const ShellMarker& marker : {testMarker, ShellMarker{QStringLiteral("Medic"), true}}) {
        ShellTestHome home;
        home.write(".zprofile", "export EDITOR=vim\n# caf\xe9\r\n");
        const ShellConfigurator configurator(home.fs(), marker);
        const ZprofileWriter java(home.fs(), marker);
        std::map<std::string, std::string> first;
        for (int run = 0; run < 3; ++run) {
            configurator.configureShell();
            configurator.configureUvPath();
            configurator.configureMise();
            configurator.configureCargoPath();
            (void)java.writer().append(QStringLiteral("eval \"$(/opt/homebrew/bin/brew shellenv)\""),
                                       QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), true);
            (void)java.apply(java.javaHomePreview(true));
            if (run == 0)
                first = home.snapshot();
            EXPECT_EQ(home.snapshot(), first);
        }
        EXPECT_TRUE(first.count(".zprofile.bak") && first.count(".zshrc.bak") && first.count(".env"));
    }
}

TEST(ShellConfigurator, configuresABareHomeOnceAndSaysSoTheSecondTime)
{
    ShellTestHome home;
    home.write(".zshrc", " \n\t\n");  // blank: gets the header as well
    const ShellConfigurator configurator(home.fs(), testMarker);
    EXPECT_FALSE(ShellConfigurator::isConfigured(home.fs()));

    const auto first = configurator.configureShell();
    EXPECT_TRUE(first.succeeded);
    ASSERT_EQ(first.messages.size(), 4);
    for (const char* name : {".zprofile", ".zshrc"}) {
        const QByteArray header = home.read(QString(name) + ".bak");
        EXPECT_TRUE(header.startsWith(QByteArray("# ~/") + name)) << name;
        EXPECT_EQ(header.count('\n'), 1) << "the backup holds the header alone";
        EXPECT_TRUE(home.read(name).startsWith(header + "\n# Varnel")) << name;
    }
    EXPECT_EQ(home.mode(".env"), 0600);
    for (const QByteArray& line : home.read(".env").split('\n'))
        EXPECT_TRUE(line.isEmpty() || line.startsWith("# ")) << "placeholders only: " << line.toStdString();
    EXPECT_TRUE(ShellConfigurator::isConfigured(home.fs()));

    // The user puts a key in ~/.env and opens it up; a second run leaves all be.
    home.write(".env", "export ANTHROPIC_API_KEY=sk-test\n", 0640);
    const auto files = home.snapshot();
    const auto second = configurator.configureShell();
    EXPECT_TRUE(second.succeeded);
    EXPECT_EQ(home.snapshot(), files);
}

TEST(ShellConfigurator, needlesThatAlmostMatch)
{
    ShellTestHome home;
    home.write(".zprofile", "typeset -U path PATH\n");
    const QByteArray zshrc = "# source \"$HOME/.env\" once the file exists\n";
    home.write(".zshrc", zshrc);
    home.write(".env", "");
    const auto outcome = ShellConfigurator(home.fs(), testMarker).configureShell();
    EXPECT_TRUE(outcome.messages[1].startsWith("~/.zshrc is already configured"));
    EXPECT_EQ(home.read(".zshrc"), zshrc);
    EXPECT_FALSE(ShellConfigurator::isConfigured(home.fs()));

    home.write(".zshrc", "  source \"$HOME/.env\"\n");
    EXPECT_TRUE(ShellConfigurator::isConfigured(home.fs()));

    // The login shims line must not pass for the interactive activation.
    home.write(".zprofile", "command -v mise >/dev/null 2>&1 && eval \"$(mise activate zsh --shims)\"\n");
    home.write(".zshrc", "# mise activate zsh --shims\n");
    const ShellConfigurator configurator(home.fs(), testMarker);
    const QStringList first = configurator.configureMise();
    EXPECT_TRUE(first.value(0).startsWith("mise shims (~/.zprofile) is already set"));
    EXPECT_EQ(first.value(1), "Configured mise activate (~/.zshrc).");
    EXPECT_TRUE(home.read(".zshrc").endsWith("eval \"$(mise activate zsh)\"\n"));
    EXPECT_TRUE(configurator.configureMise().value(1).startsWith("mise activate (~/.zshrc) is already set"));
}

TEST(ShellConfigurator, aFailureIsAMessageAndTheOtherStepsStillRun)
{
    // A folder at ~/.zprofile.bak is the user's; the backup cannot replace it.
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkpath(".zprofile.bak/keep"));
    const ShellConfigurator configurator(home.fs(), testMarker);
    const auto outcome = configurator.configureShell();
    EXPECT_FALSE(outcome.succeeded);
    ASSERT_EQ(outcome.messages.size(), 3);
    EXPECT_EQ(outcome.messages[0], "Couldn't update ~/.zprofile: Couldn't write backup file: " +
                                       home.path(".zprofile.bak") + " is in the way and is not a regular file");
    EXPECT_TRUE(outcome.messages[1].startsWith("Configured ~/.zshrc"));
    EXPECT_TRUE(outcome.messages[2].startsWith("Created ~/.env"));
    EXPECT_TRUE(QFileInfo(home.path(".zprofile.bak/keep")).isDir());
    EXPECT_TRUE(configurator.configureUvPath().startsWith("Couldn't configure uv on PATH (~/.zprofile): "));
}

TEST(ShellConfigurator, aFailedDotEnvLeavesNoFileThatWouldPassForConfigured)
{
    ShellTestHome home;
    home.write(".zprofile", "typeset -U path PATH\n");
    home.write(".zshrc", "source \"$HOME/.env\"\n");
    const ShellConfigurator configurator(home.fs(), testMarker);

    // Files may not grow past 64 bytes: ~/.env is created, then its text fails.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto failed = configurator.configureShell();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(failed.succeeded);
    EXPECT_EQ(failed.messages.value(2), "Couldn't create ~/.env: " + home.path(".env") + ": File too large");
    EXPECT_FALSE(home.exists(".env"));
    EXPECT_FALSE(ShellConfigurator::isConfigured(home.fs()));

    EXPECT_TRUE(configurator.configureShell().succeeded);
    EXPECT_TRUE(ShellConfigurator::isConfigured(home.fs()));
}
