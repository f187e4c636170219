#include "engine/services/LiveFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
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
    bool isLink(const QString& name) const
    {
        struct stat st;
        return ::lstat(native(name).constData(), &st) == 0 && S_ISLNK(st.st_mode);
    }
    void link(const QString& name, const QString& target) const
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), native(name).constData()), 0);
    }

    QTemporaryDir dir;
    QString root = QFileInfo(dir.path()).canonicalFilePath();
    LiveFileSystem fs{root};
};
}  // namespace

TEST_F(LiveFileSystemTest, homeDirectoryCanBePointedElsewhere)
{
    EXPECT_EQ(fs.homeDirectory(), root);
    EXPECT_EQ(LiveFileSystem().homeDirectory(), QDir::homePath());
}

TEST_F(LiveFileSystemTest, atomicWriteKeepsPermissionBitsAndLinks)
{
    write("private", "old", 0600);
    ASSERT_TRUE(fs.writeData("new", path("private"), true));
    EXPECT_EQ(read("private"), "new");
    EXPECT_EQ(mode("private"), 0600);

    write("script", "#!/bin/sh\n", 0750);
    ASSERT_TRUE(fs.writeText(QStringLiteral("#!/bin/sh\necho \u00e9\n"), path("script"), true));
    EXPECT_EQ(mode("script"), 0750);
    EXPECT_EQ(read("script"), "#!/bin/sh\necho \xc3\xa9\n");

    // An absolute link, a chain of two, and a relative one all stay links.
    ASSERT_TRUE(QDir(root).mkdir("dotfiles"));
    write("dotfiles/zshrc", "a", 0640);
    link("absolute", path("dotfiles/zshrc"));
    link("chain", path("absolute"));
    link("relative", "dotfiles/zshrc");
    for (const char* name : {"absolute", "chain", "relative"}) {
        ASSERT_TRUE(fs.writeData(QByteArray("via ") + name, path(name), true)) << name;
        EXPECT_TRUE(isLink(name)) << name;
        EXPECT_EQ(read("dotfiles/zshrc"), QByteArray("via ") + name);
    }
    EXPECT_EQ(mode("dotfiles/zshrc"), 0640);
    EXPECT_EQ(QDir(path("dotfiles")).entryList(QDir::Files | QDir::Hidden), QStringList{"zshrc"});

    // A new file gets the ordinary mode; a link that leads nowhere is not
    // replaced by a file.
    ASSERT_TRUE(fs.writeData("x", path("fresh"), true));
    EXPECT_EQ(read("fresh"), "x");
    link("dangling", path("nowhere/file"));
    auto dangling = fs.writeData("x", path("dangling"), true);
    ASSERT_FALSE(dangling);
    EXPECT_TRUE(dangling.error().message.startsWith(path("dangling")));
    EXPECT_TRUE(isLink("dangling"));
    EXPECT_FALSE(QFileInfo::exists(path("nowhere")));

    // Non-atomic writes replace the contents in place.
    ASSERT_TRUE(fs.writeData("direct", path("private"), false));
    EXPECT_EQ(read("private"), "direct");
}

TEST_F(LiveFileSystemTest, contentsOfDirectoryAndMoves)
{
    auto missing = fs.contentsOfDirectory(path("missing"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
    EXPECT_TRUE(missing.error().message.startsWith(path("missing")));

    write("a", "1");
    write(".hidden", "2");
    ASSERT_TRUE(QDir(root).mkdir("sub"));
    auto listing = fs.contentsOfDirectory(root);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing.value(), (QStringList{".hidden", "a", "sub"}));
    EXPECT_FALSE(fs.contentsOfDirectory(path("a")));

    auto blocked = fs.moveItem(path("a"), path(".hidden"));
    ASSERT_FALSE(blocked);
    EXPECT_EQ(blocked.error().code, EEXIST);
    EXPECT_EQ(read("a"), "1");
    EXPECT_EQ(read(".hidden"), "2");

    // Even a dangling link counts as an existing destination.
    link("taken", path("nowhere"));
    EXPECT_FALSE(fs.moveItem(path("a"), path("taken")));

    ASSERT_TRUE(fs.moveItem(path("a"), path("sub/b")));
    EXPECT_EQ(read("sub/b"), "1");
    EXPECT_FALSE(QFileInfo::exists(path("a")));
}

TEST_F(LiveFileSystemTest, attributesDescribeTheItemItselfWithoutFollowingIt)
{
    write("file", "12345", 0640);
    ASSERT_EQ(::mkfifo(native("fifo").constData(), 0600), 0);
    link("to-file", "file");
    link("dangling", path("missing"));
    link("loop-a", path("loop-b"));
    link("loop-b", path("loop-a"));

    auto file = fs.attributesOfItem(path("file"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file.value().type, FileAttributes::Type::regular);
    EXPECT_EQ(file.value().size, 5);
    EXPECT_EQ(file.value().posixPermissions, 0640);

    auto toFile = fs.attributesOfItem(path("to-file"));
    ASSERT_TRUE(toFile);
    EXPECT_EQ(toFile.value().type, FileAttributes::Type::symbolicLink);
    EXPECT_EQ(toFile.value().resolvedPath, path("file"));

    for (const char* name : {"dangling", "loop-a"}) {
        auto broken = fs.attributesOfItem(path(name));
        ASSERT_TRUE(broken) << name;
        EXPECT_EQ(broken.value().type, FileAttributes::Type::symbolicLink);
        EXPECT_TRUE(broken.value().resolvedPath.isEmpty()) << name;
    }

    const auto start = std::chrono::steady_clock::now();
    auto fifo = fs.attributesOfItem(path("fifo"));
    ASSERT_TRUE(fifo);
    EXPECT_EQ(fifo.value().type, FileAttributes::Type::fifo);
    // Reading a pipe nobody writes to returns at once instead of blocking.
    auto contents = fs.contents(path("fifo"));
    EXPECT_FALSE(contents);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    EXPECT_EQ(fs.attributesOfItem(path("missing")).error().code, ENOENT);
    auto folder = fs.contents(root);
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().code, EISDIR);
}

TEST_F(LiveFileSystemTest, removeCopyAndPermissions)
{
    write("target", "keep");
    link("link", path("target"));
    ASSERT_TRUE(fs.removeItem(path("link")));
    EXPECT_FALSE(isLink("link"));
    EXPECT_EQ(read("target"), "keep");
    EXPECT_EQ(fs.removeItem(path("link")).error().code, ENOENT);

    ASSERT_TRUE(QDir(root).mkpath("tree/deep"));
    write("tree/deep/f", "x");
    ASSERT_TRUE(fs.removeItem(path("tree")));
    EXPECT_FALSE(QFileInfo::exists(path("tree")));

    write("secret", "s", 0600);
    ASSERT_TRUE(fs.copyItem(path("secret"), path("secret.copy")));
    EXPECT_EQ(read("secret.copy"), "s");
    EXPECT_EQ(mode("secret.copy"), 0600);
    EXPECT_EQ(fs.copyItem(path("secret"), path("secret.copy")).error().code, EEXIST);

    ASSERT_TRUE(fs.setPosixPermissions(0604, path("secret")));
    EXPECT_EQ(mode("secret"), 0604);
    EXPECT_FALSE(fs.setPosixPermissions(0600, path("missing")));
}

TEST_F(LiveFileSystemTest, checkWritableLooksAtTheFileAndItsFolder)
{
    write("file", "x");
    EXPECT_TRUE(fs.checkWritable(path("file")));
    EXPECT_TRUE(fs.checkWritable(path("new-file")));
    auto noFolder = fs.checkWritable(path("missing/file"));
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().code, ENOENT);
    EXPECT_EQ(fs.checkWritable(root).error().code, EISDIR);
    link("dangling", path("missing/file"));
    EXPECT_FALSE(fs.checkWritable(path("dangling")));

    // Without root's exemption, permission bits decide. (As root they do
    // not; the shell-file tests cover that case in an unprivileged child.)
    if (::geteuid() != 0) {
        write("readonly", "x", 0444);
        EXPECT_EQ(fs.checkWritable(path("readonly")).error().code, EACCES);
    }
}

TEST_F(LiveFileSystemTest, availableCapacityOfTheTemporaryVolume)
{
    auto capacity = fs.availableCapacity(root);
    ASSERT_TRUE(capacity.has_value());
    EXPECT_GT(*capacity, 0);
    EXPECT_FALSE(fs.availableCapacity(path("missing/deeper")).has_value());
}
