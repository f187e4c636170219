#include "ShellTestHome.h"

#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/shellconfig/FileAppendWriter.h"
#include "engine/shellconfig/ZprofileWriter.h"
#include "support/FakeFileSystem.h"

#include <QDate>
#include <QFile>

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::ActiveProduct;
using varnel::testing::ShellTestHome;

namespace {
const QString undatedHeading = QString::fromUtf16(u"# Varnel \u2014 ");

QByteArray utf8(const QString& text) { return text.toUtf8(); }

Expected<DiffPreview, WriteError> appendUv(const FileAppendWriter& writer)
{
    return writer.append(QStringLiteral("export PATH=\"$HOME/.local/bin:$PATH\""), QStringLiteral("uv PATH"),
                         QStringLiteral("HOME/.local/bin"), false);
}
}  // namespace

TEST(FileAppendWriter, headingCarriesTheActiveProductsMarker)
{
    const QDate day(2026, 3, 14);
    EXPECT_EQ(FileAppendWriter::heading(QStringLiteral("Homebrew shellenv"), products::javaMedic(), day),
              QStringLiteral("# 2026-03-14 ") + products::javaMedic().shellConfigMarker
                  + QString::fromUtf16(u" \u2014 Homebrew shellenv"));
    EXPECT_EQ(FileAppendWriter::heading(QStringLiteral("uv PATH"), products::commandLine(), day),
              undatedHeading + QStringLiteral("uv PATH"));

    // The plain overload reads the configuration at the moment of writing.
    {
        ActiveProduct medic(products::javaMedic());
        EXPECT_EQ(FileAppendWriter::heading(QStringLiteral("t")),
                  FileAppendWriter::heading(QStringLiteral("t"), products::javaMedic(), QDate::currentDate()));
    }
    ActiveProduct cli(products::commandLine());
    EXPECT_EQ(FileAppendWriter::heading(QStringLiteral("t")), undatedHeading + u't');
}

TEST(FileAppendWriter, missingFileIsCreatedWithAnEmptyBackup)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const FileAppendWriter writer(home.path(".zprofile"), home.fs());

    auto result = appendUv(writer);
    ASSERT_TRUE(result) << result.error().localizedDescription().toStdString();
    const DiffPreview& preview = result.value();
    EXPECT_TRUE(preview.wasCreated);
    EXPECT_FALSE(preview.alreadySet);
    EXPECT_EQ(preview.path, home.path(".zprofile"));
    EXPECT_EQ(preview.backupPath, home.path(".zprofile.bak"));
    EXPECT_EQ(preview.originalContents, QString());
    const QString expected = undatedHeading + "uv PATH\nexport PATH=\"$HOME/.local/bin:$PATH\"\n";
    EXPECT_EQ(preview.proposedContents, expected);
    EXPECT_EQ(preview.linesAdded,
              (QStringList{undatedHeading + "uv PATH", QStringLiteral("export PATH=\"$HOME/.local/bin:$PATH\"")}));
    EXPECT_EQ(home.read(".zprofile"), utf8(expected));
    EXPECT_TRUE(home.exists(".zprofile.bak"));
    EXPECT_EQ(home.read(".zprofile.bak"), QByteArray());
}

TEST(FileAppendWriter, separatorGivesEveryFileOneEmptyLineBeforeTheBlock)
{
    ActiveProduct cli(products::commandLine());
    const QByteArray block = utf8(undatedHeading) + "uv PATH\nexport PATH=\"$HOME/.local/bin:$PATH\"\n";
    const struct {
        QByteArray before;
        QByteArray after;
    } cases[] = {
        {"alias ll='ls -l'", "alias ll='ls -l'\n\n" + block},
        {"alias ll='ls -l'\n", "alias ll='ls -l'\n\n" + block},
        {"alias ll='ls -l'\n\n", "alias ll='ls -l'\n\n" + block},
        {"alias ll='ls -l'\n\n\n", "alias ll='ls -l'\n\n\n" + block},
        {"\n", "\n\n" + block},
    };
    for (const auto& c : cases) {
        ShellTestHome home;
        home.write(".zprofile", c.before);
        const FileAppendWriter writer(home.path(".zprofile"), home.fs());
        auto result = appendUv(writer);
        ASSERT_TRUE(result);
        EXPECT_FALSE(result.value().wasCreated);
        EXPECT_EQ(result.value().originalContents, QString::fromUtf8(c.before));
        EXPECT_EQ(home.read(".zprofile"), c.after) << c.before.toStdString();
        EXPECT_EQ(utf8(result.value().proposedContents), c.after);
        EXPECT_EQ(home.read(".zprofile.bak"), c.before);
    }
}

TEST(FileAppendWriter, needleInACommentCountsOnlyWhenCommentsAreNotIgnored)
{
    ActiveProduct cli(products::commandLine());
    const QByteArray commented = "# eval \"$(/opt/homebrew/bin/brew shellenv)\"\nexport EDITOR=vim\n";
    const QString line = QStringLiteral("eval \"$(/opt/homebrew/bin/brew shellenv)\"");

    ShellTestHome anywhere;
    anywhere.write(".zprofile", commented);
    auto found = FileAppendWriter(anywhere.path(".zprofile"), anywhere.fs())
                     .append(line, QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), false);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found.value().alreadySet);
    EXPECT_TRUE(found.value().linesAdded.isEmpty());
    EXPECT_EQ(found.value().proposedContents, found.value().originalContents);
    EXPECT_EQ(anywhere.read(".zprofile"), commented);
    EXPECT_FALSE(anywhere.exists(".zprofile.bak"));

    ShellTestHome nonComment;
    nonComment.write(".zprofile", commented);
    auto added = FileAppendWriter(nonComment.path(".zprofile"), nonComment.fs())
                     .append(line, QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), true);
    ASSERT_TRUE(added);
    EXPECT_FALSE(added.value().alreadySet);
    EXPECT_EQ(nonComment.read(".zprofile"),
              commented + "\n" + utf8(undatedHeading) + "Homebrew shellenv\n" + utf8(line) + "\n");

    // An indented, tab-trimmed live line counts with comments ignored too.
    ShellTestHome indented;
    indented.write(".zprofile", "if true; then\n\t  " + utf8(line) + "\nfi\n");
    auto present = FileAppendWriter(indented.path(".zprofile"), indented.fs())
                       .append(line, QStringLiteral("Homebrew shellenv"), QStringLiteral("brew shellenv"), true);
    ASSERT_TRUE(present);
    EXPECT_TRUE(present.value().alreadySet);
}

TEST(FileAppendWriter, alreadySetWritesNothingAndTheBackupIsOneGeneration)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    home.write(".zprofile", "export A=1\n");
    const FileAppendWriter writer(home.path(".zprofile"), home.fs());

    ASSERT_TRUE(appendUv(writer));
    const QByteArray afterFirst = home.read(".zprofile");
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");

    // The same block again finds its needle: nothing written, first backup kept.
    auto second = appendUv(writer);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second.value().alreadySet);
    EXPECT_EQ(home.read(".zprofile"), afterFirst);
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");

    // Applying an alreadySet preview leaves file and backup alone.
    ASSERT_TRUE(writer.apply(second.value()));
    EXPECT_EQ(home.read(".zprofile"), afterFirst);
    EXPECT_EQ(home.read(".zprofile.bak"), "export A=1\n");

    // A different block replaces the backup: only the newest generation exists.
    auto cargo = writer.append(QStringLiteral("export PATH=\"$HOME/.cargo/bin:$PATH\""), QStringLiteral("rustup PATH"),
                               QStringLiteral("HOME/.cargo/bin"), false);
    ASSERT_TRUE(cargo);
    EXPECT_FALSE(cargo.value().alreadySet);
    EXPECT_EQ(home.read(".zprofile.bak"), afterFirst);
    EXPECT_FALSE(home.exists(".zprofile.bak.bak"));
    EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{".zprofile", ".zprofile.bak"}));
}

TEST(FileAppendWriter, multiLineBlocksKeepTheirLinesInOrder)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const FileAppendWriter writer(home.path(".zshrc"), home.fs());
    auto result = writer.append(QStringLiteral("if true; then\n  X=1\nfi"), QStringLiteral("t"),
                                QStringLiteral("X=1"), false);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.value().linesAdded, (QStringList{undatedHeading + u't', "if true; then", "  X=1", "fi"}));
    EXPECT_EQ(home.read(".zshrc"), utf8(undatedHeading) + "t\nif true; then\n  X=1\nfi\n");
}

TEST(ZprofileWriter, javaPreviewWritesNothingAndFollowsTheExportRule)
{
    ActiveProduct medic(products::javaMedic());
    const QString exportLine = QStringLiteral("export JAVA_HOME=$(/usr/libexec/java_home)");
    const QString pathLine = QStringLiteral("export PATH=\"$JAVA_HOME/bin:$PATH\"");

    const struct {
        QByteArray contents;
        bool alreadySet;
    } cases[] = {
        {"", false},
        {"# export JAVA_HOME=/Library/Java/JavaVirtualMachines/old/Contents/Home\n", false},
        {"  \texport JAVA_HOME=/opt/jdk\n", true},
        {"export JAVA_HOME=/opt/jdk\n", true},
        {"[ -d /opt ] && export JAVA_HOME=/opt/jdk\n", false},
        {"echo export JAVA_HOME=/opt/jdk\n", false},
        {"export JAVA_HOME_17=/opt/jdk17\n", false},
    };
    for (const auto& c : cases) {
        ShellTestHome home;
        if (!c.contents.isEmpty())
            home.write(".zprofile", c.contents);
        const ZprofileWriter writer(home.fs());
        const DiffPreview preview = writer.javaHomePreview(true);
        EXPECT_EQ(preview.alreadySet, c.alreadySet) << c.contents.toStdString();
        EXPECT_EQ(preview.path, home.path(".zprofile"));
        // Nothing touched the disk.
        EXPECT_EQ(home.exists(".zprofile"), !c.contents.isEmpty());
        EXPECT_FALSE(home.exists(".zprofile.bak"));
        if (!c.alreadySet) {
            ASSERT_EQ(preview.linesAdded.size(), 3);
            EXPECT_EQ(preview.linesAdded[0], FileAppendWriter::heading(QStringLiteral("Java configuration")));
            EXPECT_EQ(preview.linesAdded.mid(1), (QStringList{exportLine, pathLine}));
        }
    }

    ShellTestHome home;
    const ZprofileWriter writer(home.fs());
    const DiffPreview short_ = writer.javaHomePreview(false);
    EXPECT_EQ(short_.linesAdded.mid(1), QStringList{exportLine});
    EXPECT_TRUE(short_.wasCreated);
    auto applied = writer.apply(short_);
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied.value(), short_);
    EXPECT_EQ(home.read(".zprofile"), utf8(short_.proposedContents));
    // Once written, a second preview finds the export.
    EXPECT_TRUE(writer.javaHomePreview(true).alreadySet);
}

TEST(FileAppendWriter, worksOnTheInMemoryFileSystemToo)
{
    // Other parts drive the writer with the in-memory fake; it must not rely
    // on anything only the live file system offers.
    ActiveProduct cli(products::commandLine());
    varnel::testing::FakeFileSystem fs;
    fs.addFile("/Users/tester/.zprofile", "export A=1", 0600);
    const FileAppendWriter writer("/Users/tester/.zprofile", fs);
    auto result = appendUv(writer);
    ASSERT_TRUE(result) << result.error().localizedDescription().toStdString();
    EXPECT_EQ(fs.fileContents("/Users/tester/.zprofile.bak"), "export A=1");
    EXPECT_EQ(fs.fileContents("/Users/tester/.zprofile"),
              "export A=1\n\n" + utf8(result.value().linesAdded.join(u'\n')) + "\n");
    EXPECT_EQ(fs.attributesOfItem("/Users/tester/.zprofile.bak").value().posixPermissions, 0600);
    EXPECT_TRUE(appendUv(writer).value().alreadySet);
}

TEST(WriteError, descriptionsCarryTheUnderlyingReason)
{
    const ServiceError reason{QStringLiteral("/h/.zprofile: Permission denied"), 13, QStringLiteral("posix")};
    EXPECT_EQ(WriteError::backupFailed(reason).localizedDescription(),
              QStringLiteral("Couldn't write backup file: /h/.zprofile: Permission denied"));
    EXPECT_EQ(WriteError::writeFailed(reason).localizedDescription(),
              QStringLiteral("Couldn't write file: /h/.zprofile: Permission denied"));
}

namespace {
// The live file system, except that an editor saves the shell file the first
// time the writer sets the backup's permissions, that is while it works.
class EditorSavesMidway final : public LiveFileSystem {
public:
    EditorSavesMidway(QString home, QString file, QByteArray saved)
        : LiveFileSystem(std::move(home)), file_(std::move(file)), saved_(std::move(saved)) {}
    Expected<Done, ServiceError> setPosixPermissions(int permissions, const QString& path) const override
    {
        if (!saved_.isEmpty()) {
            QFile f(file_);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write(saved_);
            saved_.clear();
        }
        return LiveFileSystem::setPosixPermissions(permissions, path);
    }

private:
    QString file_;
    mutable QByteArray saved_;
};
}  // namespace

TEST(FileAppendWriter, anEditSavedWhileWritingSurvivesAndIsBackedUp)
{
    ActiveProduct cli(products::commandLine());
    ShellTestHome home;
    const QString zprofile = home.path(".zprofile");
    {
        QFile f(zprofile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("export EDITOR=vim\n");
    }
    const QByteArray saved = "export EDITOR=vim\nexport LANG=en_GB.UTF-8\n";
    EditorSavesMidway fs(home.path(), zprofile, saved);
    const FileAppendWriter writer(zprofile, fs);

    auto result = appendUv(writer);
    ASSERT_TRUE(result) << result.error().localizedDescription().toStdString();
    QFile after(zprofile);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    const QByteArray text = after.readAll();
    EXPECT_TRUE(text.startsWith(saved)) << text.toStdString();  // the editor's line is kept
    EXPECT_EQ(text.count("HOME/.local/bin"), 1);
    QFile backup(home.path(".zprofile.bak"));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), saved);  // and the backup is what the new file was built from
}
