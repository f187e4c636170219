#include "engine/probing/MacOSVersion.h"
#include "engine/probing/SystemProfiler.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveProcessRunner.h"

#include <gtest/gtest.h>

using namespace varnel;

// The real profiler on the development machine (Linux): it must neither crash
// nor invent a Mac. Whether programs start or not, the answers stay sane.
TEST(LiveProfiler, profilesThisMachineSanely)
{
    LiveProcessRunner process;
    LiveFileSystem fs;
    const SystemProfile p = SystemProfiler(process, fs).profile();

#ifndef __APPLE__
    // Inside the simulated Mac the machine does look like a Mac; only a plain
    // Linux machine is held to these.
    if (!fs.fileExists(MacOSVersion::systemVersionPlistPath())) {
        EXPECT_NE(p.architecture, Architecture::appleSilicon);  // uname -m is x86_64 or aarch64 here
        EXPECT_EQ(p.homebrewPrefix, std::nullopt);
        EXPECT_EQ(p.macosVersion, OperatingSystemVersion{});
        EXPECT_TRUE(p.javaState.jvmDirContents.isEmpty());
    }
#endif
    // A second look at an unchanged machine gives the same snapshot.
    EXPECT_EQ(SystemProfiler(process, fs).profile(), p);
}
