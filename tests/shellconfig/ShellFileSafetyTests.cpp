// What people with real dotfiles have: files changed behind our back, files
// that are not UTF-8, links into dotfiles repositories, private modes, and
// things that are not files at all. None of it may be lost or hang the app.

#include "ShellTestHome.h"

#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/shellconfig/FileAppendWriter.h"
#include "engine/shellconfig/ShellConfigurator.h"
#include "engine/shellconfig/ZprofileWriter.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace varnel;
using varnel::testing::ActiveProduct;
using varnel::testing::ShellTestHome;

namespace {
QByteArray utf8(const QString& text) { return text.toUtf8(); }

void makeLink(const ShellTestHome& home, const QString& name, const QString& target)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(home.path(name)).constData()), 0);
}

Expected<DiffPreview, WriteError> appendUv(const ShellTestHome& home, const QString& name = ".zprofile")
{
    return FileAppendWriter(home.path(name), home.fs())
        .append(QStringLiteral("export PATH=\"$HOME/.local/bin:$PATH\""), QStringLiteral("uv PATH"),
                QStringLiteral("HOME/.local/bin"), false);
}

QByteArray uvBlock()
{
    return utf8(FileAppendWriter::heading(QStringLiteral("uv PATH"))) + "\nexport PATH=\"$HOME/.local/bin:$PATH\"\n";
}

// Runs every operation that writes a shell file, in the order a full set-up
// would, so that repeating it shows whether anything is written twice.
void runEveryAppend(const ShellTestHome& home)
{
    const ShellConfigurator configurator(home.fs());
    configurator.configureShell();
    configurator.configureUvPath();
    configurator.configureMise();
    configurator.configureCargoPath();
    FileAppendWriter(home.path(".zprofile"), home.fs())
        .append(QStringLiteral("eval \"$(/opt/homebrew/bin/brew shellenv)\""), QStringLiteral("Homebrew shellenv"),
                QStringLiteral("brew shellenv"), true);
    FileAppendWriter(home.path(".zprofile"), home.fs())
        .append(QStringLiteral("export CLAUDE_CODE_PACKAGE_MANAGER_AUTO_UPDATE=1"),
                QStringLiteral("Claude Code auto-update"), QStringLiteral("CLAUDE_CODE_PACKAGE_MANAGER_AUTO_UPDATE"),
                false);
    const ZprofileWriter java(home.fs());
    (void)java.apply(java.javaHomePreview(true));
}
}  // namespace

TEST(ShellFileSafety, aFileChangedAfterItsPreviewKeepsTheNewerText)
{
    ActiveProduct medic(products::javaMedic());
    ShellTestHome home;
    home.write(".zprofile", "export A=1\n");
    const ZprofileWriter writer(home.fs());
    const DiffPreview shown = writer.javaHomePreview(true);
    ASSERT_FALSE(shown.alreadySet);

    // The user edits the file in another window while the diff is on screen.
    home.write(".zprofile", "export A=1\nexport B=2\n");
    auto applied = writer.apply(shown);
    ASSERT_TRUE(applied);
    const QByteArray block = utf8(shown.linesAdded.join(u'\n')) + '\n';
    EXPECT_EQ(home.read(".zprofile"), "export A=1\nexport B=2\n\n" + block);
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\nexport B=2\n");
    EXPECT_EQ(applied.value().originalContents, QStringLiteral("export A=1\nexport B=2\n"));
    EXPECT_EQ(applied.value().linesAdded, shown.linesAdded);

    // This time the edit sets JAVA_HOME itself: ours would be a second one.
    ShellTestHome other;
    other.write(".zprofile", "export A=1\n");
    const ZprofileWriter otherWriter(other.fs());
    const DiffPreview stale = otherWriter.javaHomePreview(false);
    other.write(".zprofile", "export A=1\nexport JAVA_HOME=/opt/jdk\n");
    auto skipped = otherWriter.apply(stale);
    ASSERT_TRUE(skipped);
    EXPECT_TRUE(skipped.value().alreadySet);
    EXPECT_EQ(other.read(".zprofile"), "export A=1\nexport JAVA_HOME=/opt/jdk\n");
    EXPECT_FALSE(other.exists(".zprofile.bak"));

    // A file created after a preview that expected none is kept as well.
    ShellTestHome created;
    const DiffPreview ofNothing = ZprofileWriter(created.fs()).javaHomePreview(false);
    ASSERT_TRUE(ofNothing.wasCreated);
    created.write(".zprofile", "export C=3");
    ASSERT_TRUE(ZprofileWriter(created.fs()).apply(ofNothing));
    EXPECT_TRUE(created.read(".zprofile").startsWith("export C=3\n\n# "));
    EXPECT_EQ(created.read(".zprofile.bak"), "export C=3");
}

TEST(ShellFileSafety, bytesThatAreNotUtf8AndCrlfLineEndsAreAnExactPrefix)
{
    ActiveProduct cli(products::commandLine());
    const QByteArray samples[] = {
        QByteArray("# R\xe9glages de Ren\xe9\nexport LANG=fr_FR.ISO8859-1\nalias caf\xe9=true\n"),  // Latin-1
        QByteArray("export A=1\r\nexport B=2\r\n"),                                               // CRLF
        QByteArray("\xef\xbb\xbf# with a byte-order mark\r\nexport A=1"),                        // BOM, no final LF
        QByteArray("stray \xff\xfe bytes\x80 and a NUL \0 inside\n", 39),
    };
    for (const QByteArray& original : samples) {
        ShellTestHome home;
        home.write(".zprofile", original);
        auto result = appendUv(home);
        ASSERT_TRUE(result) << result.error().localizedDescription().toStdString();
        const QByteArray now = home.read(".zprofile");
        EXPECT_TRUE(now.startsWith(original)) << original.toStdString();
        EXPECT_TRUE(now.endsWith(uvBlock()));
        EXPECT_LE(now.size() - original.size() - uvBlock().size(), 2);
        EXPECT_EQ(home.read(".zprofile.bak"), original);

        // Read leniently, the needle is found the next time.
        auto again = appendUv(home);
        ASSERT_TRUE(again);
        EXPECT_TRUE(again.value().alreadySet);
        EXPECT_EQ(home.read(".zprofile"), now);
    }

    // The presence test still sees a Latin-1 file's settings.
    ShellTestHome latin;
    latin.write(".zprofile", "# caf\xe9\ntypeset -U path PATH\n");
    latin.write(".zshrc", "# caf\xe9\n[ -f \"$HOME/.env\" ] && source \"$HOME/.env\"\n");
    latin.write(".env", "");
    EXPECT_TRUE(ShellConfigurator(latin.fs()).isConfigured());
}

TEST(ShellFileSafety, aLinkedShellFileStaysALinkAndItsTargetGetsTheBlock)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkpath("dotfiles/zsh"));
    home.write("dotfiles/zsh/zshrc", "alias g=git\n");
    home.write("dotfiles/zsh/zprofile", "export A=1\n");
    ::chmod(QFile::encodeName(home.path("dotfiles/zsh/zprofile")).constData(), 0600);
    home.write("dotfiles/zsh/relative", "export R=1\n");

    makeLink(home, ".zshrc", home.path("dotfiles/zsh/zshrc"));               // absolute
    makeLink(home, "chain-1", home.path("dotfiles/zsh/zprofile"));           // two links:
    makeLink(home, ".zprofile", home.path("chain-1"));                       // ~/.zprofile -> chain-1 -> file
    makeLink(home, ".zlogin", "dotfiles/zsh/relative");                     // relative

    const auto zshrc = FileAppendWriter(home.path(".zshrc"), home.fs())
                           .append(QStringLiteral("export Z=1"), QStringLiteral("t"), QStringLiteral("Z=1"), false);
    ASSERT_TRUE(zshrc) << zshrc.error().localizedDescription().toStdString();
    ASSERT_TRUE(appendUv(home));
    ASSERT_TRUE(appendUv(home, ".zlogin"));

    for (const char* link : {".zshrc", ".zprofile", "chain-1", ".zlogin"})
        EXPECT_TRUE(home.isLink(link)) << link;
    EXPECT_TRUE(home.read("dotfiles/zsh/zshrc").startsWith("alias g=git\n\n# "));
    EXPECT_TRUE(home.read("dotfiles/zsh/zprofile").endsWith(uvBlock()));
    EXPECT_TRUE(home.read("dotfiles/zsh/relative").endsWith(uvBlock()));
    EXPECT_EQ(home.mode("dotfiles/zsh/zprofile"), 0600);
    EXPECT_EQ(QDir(home.path("dotfiles/zsh")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"relative", "zprofile", "zshrc"}))
        << "nothing but the linked files themselves in the repository";

    // The backup is an ordinary file beside the link, with the old text.
    EXPECT_FALSE(home.isLink(".zshrc.bak"));
    EXPECT_EQ(home.read(".zshrc.bak"), "alias g=git\n");
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");
    EXPECT_EQ(home.mode(".zprofile.bak"), 0600);

    // configureShell works through the links as well, and recognises them.
    const ShellConfigurator configurator(home.fs());
    EXPECT_TRUE(configurator.configureShell().succeeded);
    EXPECT_TRUE(configurator.isConfigured());
    EXPECT_TRUE(home.isLink(".zshrc"));
    EXPECT_TRUE(home.isLink(".zprofile"));
}

TEST(ShellFileSafety, privateModesSurviveTheRewriteAndTheBackup)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    home.write(".zprofile", "export TOKEN=secret\n");
    ::chmod(QFile::encodeName(home.path(".zprofile")).constData(), 0600);
    home.write(".zshrc", "alias x=y\n");
    ::chmod(QFile::encodeName(home.path(".zshrc")).constData(), 0640);

    ASSERT_TRUE(appendUv(home));
    ASSERT_TRUE(appendUv(home, ".zshrc"));
    EXPECT_EQ(home.mode(".zprofile"), 0600);
    EXPECT_EQ(home.mode(".zprofile.bak"), 0600);
    EXPECT_EQ(home.mode(".zshrc"), 0640);
    EXPECT_EQ(home.mode(".zshrc.bak"), 0640);
}

TEST(ShellFileSafety, thingsThatAreNotWritableFilesAreRefusedAtOnceAndLeftAsTheyWere)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkdir("folder"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.path("fifo")).constData(), 0644), 0);
    makeLink(home, "dangling", home.path("missing/zshrc"));
    makeLink(home, "loop-a", home.path("loop-b"));
    makeLink(home, "loop-b", home.path("loop-a"));
    makeLink(home, "to-fifo", home.path("fifo"));
    makeLink(home, "to-folder", "folder");
    // A socket is as unreadable as a pipe.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(home.path("sock"));
    const bool haveSocket = size_t(socketPath.size()) < sizeof address.sun_path
                            && (std::memcpy(address.sun_path, socketPath.constData(), socketPath.size() + 1),
                                ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);

    QStringList names{"folder", "fifo", "dangling", "loop-a", "to-fifo", "to-folder"};
    if (haveSocket)
        names << "sock";
    const auto before = home.snapshot();

    for (const QString& name : names) {
        // Should anything open the pipe, the watchdog opens the other end so
        // the test fails instead of hanging.
        auto attempt = std::async(std::launch::async, [&] {
            const auto start = std::chrono::steady_clock::now();
            auto result = appendUv(home, name);
            return std::make_pair(std::move(result), std::chrono::steady_clock::now() - start);
        });
        if (attempt.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            const QByteArray fifo = QFile::encodeName(home.path("fifo"));
            const int unblockReader = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            const int unblockWriter = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
            attempt.wait();
            ::close(unblockReader);
            ::close(unblockWriter);
            ADD_FAILURE() << name.toStdString() << ": the append blocked";
            continue;
        }
        auto [result, elapsed] = attempt.get();
        EXPECT_LT(elapsed, std::chrono::seconds(1)) << name.toStdString();
        ASSERT_FALSE(result) << name.toStdString() << " was written";
        EXPECT_EQ(result.error().kind, WriteError::Kind::writeFailed);
        const std::string message = result.error().localizedDescription().toStdString();
        EXPECT_TRUE(result.error().localizedDescription().startsWith("Couldn't write file: " + home.path(name)))
            << message;

        // The preview on its own does not block either.
        const DiffPreview preview = FileAppendWriter(home.path(name), home.fs())
                                        .preview({QStringLiteral("x")}, QStringLiteral("t"),
                                                 PresenceTest::anywhere(QStringLiteral("x")));
        EXPECT_FALSE(preview.wasCreated) << name.toStdString();
    }

    // configureShell reports the refusals and goes on with the other files.
    ::rename(QFile::encodeName(home.path("fifo")).constData(), QFile::encodeName(home.path(".zprofile")).constData());
    ::rename(QFile::encodeName(home.path("folder")).constData(), QFile::encodeName(home.path(".zshrc")).constData());
    const auto moved = home.snapshot();
    const auto outcome = ShellConfigurator(home.fs()).configureShell();
    EXPECT_FALSE(outcome.succeeded);
    ASSERT_EQ(outcome.messages.size(), 3);
    EXPECT_EQ(outcome.messages[0],
              "Couldn't update ~/.zprofile: Couldn't write file: " + home.path(".zprofile")
                  + " is a named pipe, not a regular file");
    EXPECT_EQ(outcome.messages[1], "Couldn't update ~/.zshrc: Couldn't write file: " + home.path(".zshrc")
                                       + " is a folder, not a regular file");
    EXPECT_TRUE(outcome.messages[2].startsWith("Created ~/.env"));
    EXPECT_FALSE(ShellConfigurator(home.fs()).isConfigured());

    auto after = home.snapshot();
    after.erase(".env");
    EXPECT_EQ(after, moved);
    EXPECT_EQ(before.size(), moved.size());
    ::close(sock);
}

TEST(ShellFileSafety, aFileOrFolderTheUserMayNotWriteIsRefusedUntouched)
{
    if (!varnel::testing::canRunUnprivileged())
        GTEST_SKIP() << "running as root without a 'nobody' user: no way to take write permission away";
    if (!varnel::testing::othersCanReach(ShellTestHome().path()))
        GTEST_SKIP() << "the temporary folder is not reachable for other users; set TMPDIR to /tmp";
    ActiveProduct cli(products::commandLine());

    // Root writes anything whatever the permission bits say, so each case
    // runs in a child process that has become "nobody" for good.
    auto chmodTo = [](const QString& path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); };

    // 1. A read-only ~/.zprofile in a folder we could write: replacing it by a
    //    rename would work, but it is not ours to replace.
    {
        ShellTestHome home;
        home.write(".zprofile", "export A=1\n");
        chmodTo(home.path(".zprofile"), 0444);
        chmodTo(home.path(), 0777);
        const auto before = home.snapshot();
        const std::string report = varnel::testing::runUnprivileged([&]() -> std::string {
            const auto start = std::chrono::steady_clock::now();
            auto result = appendUv(home);
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(1))
                return "took more than a second";
            if (result)
                return "a read-only file was written";
            const QString text = result.error().localizedDescription();
            if (result.error().kind != WriteError::Kind::writeFailed || !text.contains(home.path(".zprofile"))
                || result.error().underlying.code != EACCES)
                return "unexpected error: " + text.toStdString();
            return {};
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(home.snapshot(), before);
    }

    // 2. A home folder that cannot be written: no file, no backup, the reason.
    {
        ShellTestHome home;
        chmodTo(home.path(), 0555);
        const std::string report = varnel::testing::runUnprivileged([&]() -> std::string {
            auto result = appendUv(home);
            if (result)
                return "wrote into a read-only folder";
            if (result.error().kind != WriteError::Kind::writeFailed)
                return "not a writeFailed";
            if (result.error().localizedDescription()
                != "Couldn't write file: " + home.path() + ": " + QString::fromLocal8Bit(std::strerror(EACCES)))
                return "unexpected message: " + result.error().localizedDescription().toStdString();
            const auto outcome = ShellConfigurator(home.fs()).configureShell();
            if (outcome.succeeded || outcome.messages.size() != 3
                || !outcome.messages[2].startsWith("Couldn't create ~/.env: "))
                return "configureShell: " + outcome.messages.join(" | ").toStdString();
            return {};
        });
        EXPECT_EQ(report, "");
        chmodTo(home.path(), 0700);
        EXPECT_TRUE(home.snapshot().empty());
    }

    // 3. ~/.zshrc links into a place we may read but not write.
    {
        ShellTestHome home;
        ASSERT_TRUE(QDir(home.path()).mkdir("readonly"));
        home.write("readonly/zshrc", "alias g=git\n");
        chmodTo(home.path("readonly/zshrc"), 0666);  // the file would let us; its folder does not
        chmodTo(home.path("readonly"), 0555);
        makeLink(home, ".zshrc", home.path("readonly/zshrc"));
        chmodTo(home.path(), 0777);
        const auto before = home.snapshot();
        const std::string report = varnel::testing::runUnprivileged([&]() -> std::string {
            auto result = appendUv(home, ".zshrc");
            if (result)
                return "wrote into a read-only place";
            if (!result.error().localizedDescription().contains(home.path("readonly")))
                return "message does not name the place: " + result.error().localizedDescription().toStdString();
            return {};
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(home.snapshot(), before);
        chmodTo(home.path("readonly"), 0755);
    }
}

TEST(ShellFileSafety, everyOperationRunThreeTimesChangesNothingAfterTheFirst)
{
    for (ProductConfig product : {products::commandLine(), products::javaMedic()}) {
        ActiveProduct active(product);
        ShellTestHome home;
        home.write(".zprofile", "export EDITOR=vim\n# caf\xe9\r\n");
        runEveryAppend(home);
        const auto first = home.snapshot();
        EXPECT_TRUE(first.count(".zprofile.bak") && first.count(".zshrc.bak") && first.count(".env"));
        runEveryAppend(home);
        EXPECT_EQ(home.snapshot(), first);
        runEveryAppend(home);
        EXPECT_EQ(home.snapshot(), first);
        EXPECT_TRUE(home.read(".zprofile").startsWith("export EDITOR=vim\n# caf\xe9\r\n"));
    }
}
