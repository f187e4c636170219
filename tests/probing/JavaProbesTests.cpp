#include "engine/probing/JavaVersions.h"
#include "engine/probing/JdkReleaseFileReader.h"
#include "engine/probing/ProbeRun.h"
#include "engine/probing/Probes.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;
using varnel::testing::FakeFileSystem;
using varnel::testing::FakeProcessRunner;

namespace {
const QString kJVMs = QStringLiteral("/Library/Java/JavaVirtualMachines");
const QString kJavaHomeProbe = QStringLiteral("/bin/zsh -lc echo __KSM_JAVA_HOME__:$JAVA_HOME");

QString homeOf(const QString& entry) { return kJVMs + "/" + entry + "/Contents/Home"; }

std::optional<QString> javaHomeFrom(const QString& output)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    process.on(kJavaHomeProbe, ProcessResult{0, output, {}});
    return Probes(process, fs).javaHomeInActiveShell();
}
}  // namespace

TEST(JavaVersions, majorVersionOfOldAndNewNumbering)
{
    EXPECT_EQ(majorJavaVersion(R"(openjdk version "21.0.2" 2024-01-16)"), 21);
    EXPECT_EQ(majorJavaVersion(R"(version "17")"), 17);
    EXPECT_EQ(majorJavaVersion(R"(java version "1.8.0_292")"), 8);
    EXPECT_EQ(majorJavaVersion(R"(version "1.x")"), 1);
    EXPECT_EQ(majorJavaVersion(R"(version "beta")"), std::nullopt);
    EXPECT_EQ(majorJavaVersion("21.0.2"), std::nullopt);  // no `version "…"`
    EXPECT_EQ(majorJavaVersion(R"(version "99999999999")"), std::nullopt);  // not an int
}

TEST(JavaVersions, javaHomeListingKeepsJDKLinesOnly)
{
    const QString listing =
        "Matching Java Virtual Machines (2):\n"
        "    21.0.2 (arm64) \"Eclipse Adoptium\" - \"OpenJDK 21.0.2\" "
        "/Library/Java/JavaVirtualMachines/temurin-21.jdk/Contents/Home\n"
        "\n"
        "\t1.8.0_292 (x86_64) \"\" - \"Java SE 8\" /Library/Java/JavaVirtualMachines/old.jdk/Contents/Home  \r\n"
        "    garbage line without the shape\n"
        "/Library/Java/JavaVirtualMachines/temurin-21.jdk/Contents/Home\n";
    const auto jdks = parseJavaHomeListing(listing);
    ASSERT_EQ(jdks.size(), 2u);
    EXPECT_EQ(jdks[0], (JDKInfo{"21.0.2", "Eclipse Adoptium", "arm64", homeOf("temurin-21.jdk")}));
    EXPECT_EQ(jdks[1], (JDKInfo{"1.8.0_292", "", "x86_64", homeOf("old.jdk")}));
    EXPECT_TRUE(parseJavaHomeListing("").empty());
}

TEST(JavaProbes, javaHomeMarkerTheLastMarkerLineDecides)
{
    EXPECT_EQ(javaHomeFrom("__KSM_JAVA_HOME__:/a\nsome text from .zlogin\n"), QString("/a"));
    // The login files echoed the marker too, but the real echo comes last and is empty.
    EXPECT_EQ(javaHomeFrom("__KSM_JAVA_HOME__:/from/zprofile\n__KSM_JAVA_HOME__:\n"), std::nullopt);
    EXPECT_EQ(javaHomeFrom("welcome!\n__KSM_JAVA_HOME__: \t/opt/jdk\t \n\n"), QString("/opt/jdk"));
    EXPECT_EQ(javaHomeFrom("nothing to see\n"), std::nullopt);

    FakeProcessRunner failing;
    FakeFileSystem fs;
    EXPECT_EQ(Probes(failing, fs).javaHomeInActiveShell(), std::nullopt);
}

TEST(JavaProbes, bundleMergesTheListingWithJDKsOnlyOnDisk)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    process.on("/usr/bin/which java", ProcessResult{0, "/usr/bin/java\n", {}});
    process.on("/usr/libexec/java_home -V",
               ProcessResult{0, "/Library/Java/JavaVirtualMachines/temurin-21.jdk/Contents/Home\n",
                             "Matching Java Virtual Machines (1):\n"
                             "    21.0.2 (arm64) \"Eclipse Adoptium\" - \"OpenJDK 21.0.2\" "
                             "/Library/Java/JavaVirtualMachines/temurin-21.jdk/Contents/Home\n"});
    process.on(kJavaHomeProbe, ProcessResult{0, "__KSM_JAVA_HOME__:/opt/jdk\n", {}});
    // Listed by java_home: its own release file must not add a second entry.
    fs.addFile(homeOf("temurin-21.jdk") + "/release", "JAVA_VERSION=\"21.0.2\"\nIMPLEMENTOR=\"Other\"\n");
    fs.addFile(homeOf("zulu-8.jdk") + "/release", "JAVA_VERSION=\"1.8.0_292\"\n");
    fs.addDirectory(kJVMs + "/unreadable.jdk");
    // A name that merely starts like a listed one is a different entry.
    fs.addFile(homeOf("temurin-21.jdk.bak") + "/release", "JAVA_VERSION=\"21.0.1\"\n");

    const ProbeBundle bundle = Probes(process, fs).javaProbeBundle();
    EXPECT_EQ(bundle.whichJava, QString("/usr/bin/java"));
    EXPECT_EQ(bundle.javaHomeInActiveShell, QString("/opt/jdk"));
    EXPECT_EQ(bundle.jvmDirContents,
              QStringList({"temurin-21.jdk", "temurin-21.jdk.bak", "unreadable.jdk", "zulu-8.jdk"}));
    ASSERT_EQ(bundle.installedJDKs.size(), 3u);
    EXPECT_EQ(bundle.installedJDKs[0].vendor, QString("Eclipse Adoptium"));
    EXPECT_EQ(bundle.installedJDKs[1].path, homeOf("temurin-21.jdk.bak"));
    EXPECT_EQ(bundle.installedJDKs[2].version, QString("1.8.0_292"));
}

TEST(JavaProbes, nothingRunnableAndNoFolderGivesAnEmptyBundle)
{
    FakeProcessRunner process;
    FakeFileSystem fs;
    process.on("/usr/bin/which java", ProcessResult{1, "", {}});
    EXPECT_EQ(Probes(process, fs).javaProbeBundle(), ProbeBundle{});
}
