#include "engine/services/LiveFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnel;

namespace {
class LiveFileSystemTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return QDir(root).filePath(name); }
    QByteArray native(const QString& name) const { return QFile::encodeName(path(name)); }

    void write(const QString& name, const QByteArray& bytes, mode_t mode = 0644) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ::chmod(native(name).constData(), mode);
    }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int mode(const QString& name) const
    {
        struct stat st;
        return ::stat(native(name).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
    }
    std::string linkText(const QString& name) const
    {
        char text[4096];
        const ssize_t n = ::readlink(native(name).constData(), text, sizeof text);
        return n < 0 ? std::string() : std::string(text, size_t(n));
    }
    bool isLink(const QString& name) const { return QFileInfo(path(name)).isSymLink(); }
    void link(const QString& name, const QString& target) const
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), native(name).constData()), 0);
    }

    QTemporaryDir dir;
    QString root = QFileInfo(dir.path()).canonicalFilePath();
    LiveFileSystem fs{root};
};
}  // namespace

TEST_F(LiveFileSystemTest, atomicWriteKeepsPermissionBitsAndWritesThroughLinks)
{
    write("private", "old", 0600);
    ASSERT_TRUE(fs.writeText(QStringLiteral("\u00e9"), path("private"), true));
    EXPECT_EQ(read("private"), "\xc3\xa9");
    EXPECT_EQ(mode("private"), 0600);

    // A chain of links stays a chain (ShellFileSafety covers relative links and modes).
    link("absolute", path("private"));
    link("chain", path("absolute"));
    ASSERT_TRUE(fs.writeData("via chain", path("chain"), true));
    EXPECT_TRUE(isLink("chain") && isLink("absolute"));
    EXPECT_EQ(read("private"), "via chain");
    EXPECT_EQ(mode("private"), 0600);

    // A link that leads nowhere is not replaced by a file.
    link("dangling", path("nowhere/file"));
    auto dangling = fs.writeData("x", path("dangling"), true);
    ASSERT_FALSE(dangling);
    EXPECT_TRUE(dangling.error().message.startsWith(path("dangling")));
    EXPECT_TRUE(isLink("dangling"));
}

TEST_F(LiveFileSystemTest, createFileMakesOnlyNewFilesWithExactlyTheGivenMode)
{
    ASSERT_TRUE(fs.createFile("secret", path("new"), 0600));
    EXPECT_EQ(read("new"), "secret");
    EXPECT_EQ(mode("new"), 0600);
    ASSERT_TRUE(fs.createFile({}, path("shared"), 0666));
    EXPECT_EQ(mode("shared"), 0666) << "not narrowed by the umask";

    // Nothing that is already there is followed or replaced, not even a link
    // that leads nowhere.
    write("victim", "keep");
    link("to-victim", path("victim"));
    link("dangling", path("nowhere"));
    for (const char* name : {"new", "to-victim", "dangling"}) {
        auto refused = fs.createFile("x", path(name), 0600);
        ASSERT_FALSE(refused) << name;
        EXPECT_EQ(refused.error().code, EEXIST);
    }
    EXPECT_EQ(read("victim"), "keep");
    EXPECT_EQ(read("new"), "secret");
    EXPECT_FALSE(QFileInfo::exists(path("nowhere")));
}

TEST_F(LiveFileSystemTest, copyingATreeCopiesLinksAsLinks)
{
    ASSERT_TRUE(QDir(root).mkpath("tree/sub"));
    ASSERT_TRUE(QDir(root).mkpath("outside"));
    write("outside/big", "not ours");
    write("tree/sub/secret", "s", 0600);
    link("tree/up", path("tree"));              // a loop back to the top
    link("tree/out", path("outside"));          // a folder outside the tree
    link("tree/sibling", "sub/secret");         // a relative link to a file
    link("tree/broken", path("missing"));
    ::chmod(native("tree/sub").constData(), 0750);

    ASSERT_TRUE(fs.copyItem(path("tree"), path("copy")));
    EXPECT_EQ(read("copy/sub/secret"), "s");
    EXPECT_EQ(mode("copy/sub/secret"), 0600);
    EXPECT_EQ(mode("copy/sub"), 0750);
    for (const char* name : {"up", "out", "sibling", "broken"}) {
        EXPECT_TRUE(isLink(QStringLiteral("copy/") + name)) << name;
        EXPECT_EQ(linkText(QStringLiteral("copy/") + name), linkText(QStringLiteral("tree/") + name));
    }
    EXPECT_EQ(QDir(path("copy")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(), 5);
    EXPECT_EQ(fs.copyItem(path("tree"), path("copy")).error().code, EEXIST);

    // Removing a link removes the link, never what it points to.
    ASSERT_TRUE(fs.removeItem(path("copy/out")));
    EXPECT_EQ(read("outside/big"), "not ours");
    ASSERT_TRUE(fs.removeItem(path("copy")));
    EXPECT_FALSE(QFileInfo::exists(path("copy")));
    EXPECT_TRUE(QFileInfo::exists(path("tree/sub/secret")));
}

TEST_F(LiveFileSystemTest, attributesDescribeTheItemItselfAndPipesNeverBlock)
{
    write("file", "12345", 0640);
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);
    link("to-file", "file");
    link("loop-a", path("loop-b"));
    link("loop-b", path("loop-a"));

    auto file = fs.attributesOfItem(path("file"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->type, FileAttributes::Type::regular);
    EXPECT_EQ(file->size, 5);
    EXPECT_EQ(file->posixPermissions, 0640);
    auto toFile = fs.attributesOfItem(path("to-file"));
    EXPECT_EQ(toFile->type, FileAttributes::Type::symbolicLink);
    EXPECT_EQ(toFile->resolvedPath, path("file"));
    EXPECT_TRUE(fs.attributesOfItem(path("loop-a"))->resolvedPath.isEmpty());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fs.attributesOfItem(path("fifo"))->type, FileAttributes::Type::fifo);
    EXPECT_FALSE(fs.contents(path("fifo"))) << "a pipe nobody writes to is refused, not waited on";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(fs.contents(root).error().code, EISDIR);
}
