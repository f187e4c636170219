#include "engine/probing/LanguageDetector.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;

namespace {
const QString kHome = QStringLiteral("/Users/tester");
}  // namespace

TEST(LanguageDetector, aMacWithOnlyTheSystemCopies)
{
    FakeFileSystem fs;
    fs.addExecutable("/usr/bin/python3");
    fs.addExecutable("/usr/bin/ruby");
    const LanguageDetector detector(fs);
    EXPECT_EQ(detector.detect(VarnelLanguage::python), LanguageStatus::outdated());
    EXPECT_EQ(detector.detect(VarnelLanguage::ruby), LanguageStatus::outdated());
    EXPECT_EQ(detector.detect(VarnelLanguage::node), LanguageStatus::absent());
    EXPECT_EQ(detector.detect(VarnelLanguage::java), LanguageStatus::absent());
    EXPECT_EQ(detector.detect(VarnelLanguage::rust), LanguageStatus::absent());
}

TEST(LanguageDetector, pythonVersionManagersBeatSystemCopies)
{
    FakeFileSystem fs;
    fs.addExecutable("/opt/homebrew/bin/python3");
    fs.addDirectory(kHome + "/.local/share/uv/python");  // empty: not uv-managed
    const LanguageDetector detector(fs);
    EXPECT_EQ(detector.detect(VarnelLanguage::python), LanguageStatus::outdated());

    fs.addDirectory(kHome + "/.pyenv/versions/3.12.1");
    EXPECT_EQ(detector.detect(VarnelLanguage::python), LanguageStatus::managedElsewhere("pyenv"));

    fs.addDirectory(kHome + "/.local/share/uv/python/cpython-3.13");
    EXPECT_EQ(detector.detect(VarnelLanguage::python), LanguageStatus::alreadySetUp("uv"));
}

TEST(LanguageDetector, otherManagersAreNamed)
{
    FakeFileSystem fs;
    fs.addDirectory(kHome + "/miniconda3");
    fs.addFile(kHome + "/.volta/bin/node");
    fs.addDirectory(kHome + "/.rubies/ruby-3.3");
    fs.addFile(kHome + "/.cargo/bin/rustc");
    const LanguageDetector detector(fs);
    EXPECT_EQ(detector.detect(VarnelLanguage::python), LanguageStatus::managedElsewhere("conda"));
    EXPECT_EQ(detector.detect(VarnelLanguage::node), LanguageStatus::managedElsewhere("volta"));
    EXPECT_EQ(detector.detect(VarnelLanguage::ruby), LanguageStatus::managedElsewhere("chruby"));
    EXPECT_EQ(detector.detect(VarnelLanguage::rust), LanguageStatus::alreadySetUp("rustup"));
}

TEST(LanguageDetector, javaFromTheVirtualMachinesFolder)
{
    {
        FakeFileSystem fs;
        fs.addDirectory("/Library/Java/JavaVirtualMachines/temurin-21.jdk");
        fs.addDirectory("/Library/Java/JavaVirtualMachines/zulu-17.jdk");
        EXPECT_EQ(LanguageDetector(fs).detect(VarnelLanguage::java), LanguageStatus::alreadySetUp("Temurin"));
    }
    {
        FakeFileSystem fs;
        fs.addDirectory("/Library/Java/JavaVirtualMachines/zulu-17.jdk");
        fs.addDirectory(kHome + "/.sdkman/candidates/java");  // empty
        EXPECT_EQ(LanguageDetector(fs).detect(VarnelLanguage::java), LanguageStatus::outdated());
        fs.addDirectory(kHome + "/.sdkman/candidates/java/21.0.2-tem");
        EXPECT_EQ(LanguageDetector(fs).detect(VarnelLanguage::java), LanguageStatus::managedElsewhere("SDKMAN"));
    }
    {
        FakeFileSystem fs;
        fs.addDirectory("/Library/Java/JavaVirtualMachines/temurin-notes");  // not a .jdk
        EXPECT_EQ(LanguageDetector(fs).detect(VarnelLanguage::java), LanguageStatus::absent());
    }
}
