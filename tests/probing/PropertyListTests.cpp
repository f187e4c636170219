#include "engine/probing/MacOSVersion.h"
#include "engine/probing/PropertyList.h"
#include "support/FakeFileSystem.h"

#include <gtest/gtest.h>

using namespace varnel;

// Only strings are read, but a file with every other kind must parse too.
TEST(PropertyList, readsNestedStringsAmongValuesOfEveryKind)
{
    const auto plist = PropertyList::parse(R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
  <key>Name</key><string>A &amp; B</string>
  <key>Count</key><integer>42</integer>
  <key>Ratio</key><real>0.5</real>
  <key>On</key><true/>
  <key>Off</key><false/>
  <key>Blob</key><data>aGk=</data>
  <key>List</key><array><string>x</string><dict><key>k</key><string>v</string></dict></array>
  <key>Empty</key><dict/>
</dict>
</plist>)");
    ASSERT_TRUE(plist);
    EXPECT_EQ(plist->toMap()["List"].toList().size(), 2);
    EXPECT_EQ(PropertyList::string(*plist, {"Name"}), QString("A & B"));
    EXPECT_EQ(PropertyList::string(*plist, {"Count"}), std::nullopt);  // not a string
    EXPECT_EQ(PropertyList::string(*plist, {"Name", "deeper"}), std::nullopt);
}

TEST(PropertyList, rejectsWhatIsNotAnXMLPropertyList)
{
    EXPECT_EQ(PropertyList::parse("bplist00\x00\x01"), std::nullopt);
    EXPECT_EQ(PropertyList::parse("<plist><dict><key>a</key></dict></plist>"), std::nullopt);  // key without value
    EXPECT_EQ(PropertyList::parse("<plist><dict><string>a</string></dict></plist>"), std::nullopt);
    EXPECT_EQ(PropertyList::parse("<plist><dict><key>a</key><string>b</string>"), std::nullopt);  // truncated
    EXPECT_EQ(PropertyList::parse("<html/>"), std::nullopt);
    EXPECT_EQ(PropertyList::parse(""), std::nullopt);
}

TEST(MacOSVersion, parsesVersionsAndTheSystemVersionFile)
{
    EXPECT_EQ(MacOSVersion::parse("14.6.1"), (OperatingSystemVersion{14, 6, 1}));
    EXPECT_EQ(MacOSVersion::parse("15.1"), (OperatingSystemVersion{15, 1, 0}));
    EXPECT_EQ(MacOSVersion::parse("26"), (OperatingSystemVersion{26, 0, 0}));
    EXPECT_EQ(MacOSVersion::parse("beta"), std::nullopt);

    varnel::testing::FakeFileSystem fs;
    EXPECT_EQ(MacOSVersion::fromSystemVersionPlist(fs), std::nullopt);
    fs.addFile(MacOSVersion::systemVersionPlistPath(),
               "<plist><dict><key>ProductVersion</key><string>13.7</string></dict></plist>");
    EXPECT_EQ(MacOSVersion::fromSystemVersionPlist(fs), (OperatingSystemVersion{13, 7, 0}));
#ifndef __APPLE__
    EXPECT_EQ(MacOSVersion::current(fs), (OperatingSystemVersion{13, 7, 0}));
#endif
}
