#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/probing/SystemProfile.h"
#include "engine/workflow/CommandLineSpinePolicy.h"

#include <gtest/gtest.h>

using namespace varnel;

TEST(ProductConfig, keysFollowThePrefixNotTheAppID)
{
    ProductConfig c = products::commandLine();
    const QString key = c.consentedKey();
    EXPECT_TRUE(key.startsWith(c.userDefaultsPrefix));
    c.appID = QStringLiteral("something-else");
    EXPECT_EQ(c.consentedKey(), key);
    EXPECT_NE(products::homebrew().consentedKey(), key);
}

TEST(ProductConfig, openableAppsFollowTheFixedOrder)
{
    SystemProfile profile;
    profile.aiTooling.warpApp = true;
    profile.aiTooling.claudeCodeDesktop = true;
    const auto apps = commandLineOpenableApps(profile);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps.front().appName, QStringLiteral("Claude.app"));
    EXPECT_EQ(apps.back().appName, QStringLiteral("Warp.app"));
    EXPECT_TRUE(commandLineOpenableApps(std::nullopt).empty());
}

TEST(ProductConfig, defaultPolicyGatesEverythingButCltAndHomebrew)
{
    SpineRenderPolicy policy;
    EXPECT_TRUE(policy.isHomebrewIndependent(QStringLiteral("clt")));
    EXPECT_TRUE(policy.isHomebrewIndependent(QStringLiteral("homebrew")));
    EXPECT_FALSE(policy.isHomebrewIndependent(QStringLiteral("git")));

    const auto cli = products::commandLine().spinePolicy;
    EXPECT_TRUE(cli.isHomebrewIndependent(QStringLiteral("git")));
    EXPECT_FALSE(cli.isHomebrewIndependent(QStringLiteral("warp")));
}

TEST(ProductConfig, earlierReadersKeepTheirSnapshot)
{
    ProductConfig::setCurrent(products::javaMedic());
    auto before = ProductConfig::current();
    ProductConfig::setCurrent(products::commandLine());
    EXPECT_EQ(ProductConfig::current()->appID, products::commandLine().appID);
    EXPECT_EQ(before->appID, products::javaMedic().appID);
}
