#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/probing/SystemProfile.h"
#include "engine/workflow/CommandLineSpinePolicy.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace varnel;

TEST(ProductConfig, commandLineIdentifiersAndKeys)
{
    ProductConfig c = products::commandLine();
    EXPECT_EQ(c.appID, QStringLiteral("varnel-cli"));
    EXPECT_TRUE(c.userDefaultsPrefix.endsWith(QStringLiteral("varnel.cli")));
    EXPECT_EQ(c.consentedKey(), c.userDefaultsPrefix + QStringLiteral(".consented"));
    const QString key = c.consentedKey();
    c.appID = QStringLiteral("something-else");
    EXPECT_EQ(c.consentedKey(), key);  // the key follows the prefix, not the app id

    EXPECT_EQ(c.urls.privacy.path(), QStringLiteral("/varnel/privacy"));
    EXPECT_EQ(c.urls.article(QStringLiteral("terminal/configuration")).path(), QStringLiteral("/terminal/configuration"));
    EXPECT_EQ(c.urls.warpAffiliate.path(), QStringLiteral("/mac-terminal"));
    const QUrlQuery warpQuery(c.urls.warpAffiliate);
    EXPECT_EQ(warpQuery.queryItemValue(QStringLiteral("utm_campaign")), QStringLiteral("kestrane_guide_20260516"));
    EXPECT_EQ(warpQuery.queryItemValue(QStringLiteral("utm_content")), QStringLiteral("varnel_cli"));

    // Providers-absent defaults and the shared texts.
    EXPECT_EQ(c.sharedDomainCopy, SharedDomainCopy::standard());
    EXPECT_EQ(c.sharedDomainCopy.cltReady.detail,
              QStringLiteral("Apple's Command Line Tools are present — required for Homebrew and Git."));
}

TEST(ProductConfig, openableAppsFollowTheFixedOrder)
{
    SystemProfile profile;
    profile.aiTooling.warpApp = true;
    profile.aiTooling.claudeCodeDesktop = true;
    const auto apps = commandLineOpenableApps(profile);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps.front(), (SpineRenderPolicy::OpenableApp{QStringLiteral("Open Claude Desktop"),
                                                            QStringLiteral("Claude.app")}));
    EXPECT_EQ(apps.back().appName, QStringLiteral("Warp.app"));
    EXPECT_TRUE(commandLineOpenableApps(std::nullopt).empty());

    const auto policy = products::commandLine().spinePolicy;
    ASSERT_TRUE(policy.outcomeOpenableApps);
    EXPECT_EQ(policy.outcomeOpenableApps(profile, std::nullopt).size(), 2u);
}

TEST(ProductConfig, defaultPolicyGatesEverythingButCltAndHomebrew)
{
    SpineRenderPolicy policy;
    EXPECT_TRUE(policy.isHomebrewIndependent(QStringLiteral("clt")));
    EXPECT_TRUE(policy.isHomebrewIndependent(QStringLiteral("homebrew")));
    EXPECT_FALSE(policy.isHomebrewIndependent(QStringLiteral("warp")));
    EXPECT_FALSE(policy.isHomebrewIndependent(QStringLiteral("git")));
    EXPECT_FALSE(policy.networkReadiness.has_value());

    const auto cli = products::commandLine().spinePolicy;
    EXPECT_TRUE(cli.isHomebrewIndependent(QStringLiteral("git")));
    EXPECT_FALSE(cli.isHomebrewIndependent(QStringLiteral("warp")));
    ASSERT_TRUE(cli.networkReadiness.has_value());
    ASSERT_EQ(cli.networkReadiness->endpoints.size(), 3u);
    EXPECT_EQ(cli.networkReadiness->endpoints[0].path(), QStringLiteral("/api/formula.json"));
    EXPECT_EQ(cli.networkReadiness->endpoints[1].path(), QStringLiteral("/content/catalogs/index.sucatalog"));
    EXPECT_EQ(cli.diskReadiness->criticalFreeBytes, 3'000'000'000);
    EXPECT_EQ(cli.specialStages.at(QStringLiteral("ai-claude")).items.at(1).remediationID,
              QStringLiteral("brew:claude-code@latest"));
}

TEST(ProductConfig, otherProductsDifferOnlyWhereTheyShould)
{
    const ProductConfig medic = products::javaMedic();
    EXPECT_EQ(medic.flow, SetupFlow::diagnose);
    EXPECT_TRUE(medic.datedShellMarker);
    EXPECT_EQ(medic.appSupportDirName, QStringLiteral("Kestrane Medic"));
    EXPECT_FALSE(medic.copy.welcomeHeadline.has_value());
    ASSERT_EQ(medic.consent.privacyBullets.size(), 5);
    EXPECT_EQ(medic.consent.privacyBullets[3], QStringLiteral("The “How did we do?” score is reported anonymously."));
    EXPECT_EQ(medic.consent.privacyBullets[4], QStringLiteral("A random session ID is created for anonymous usage counts."));
    EXPECT_EQ(medic.urls.privacy.path(), QStringLiteral("/medic/privacy"));

    const ProductConfig claude = products::claudeCode();
    EXPECT_EQ(claude.appSupportDirName, claude.displayName);
    EXPECT_EQ(claude.sharedDomainCopy.warpFixable.detail,
              QStringLiteral("Warp is the modern macOS terminal we recommend for working with Claude Code."));
    EXPECT_EQ(claude.sharedDomainCopy.warpFixable.headline, SharedDomainCopy::standard().warpFixable.headline);
    EXPECT_TRUE(products::homebrew().userDefaultsPrefix.endsWith(QStringLiteral("varnel.brew")));
}

TEST(ProductConfig, currentStartsAsTheJavaMedicAndCanBeReplaced)
{
    // Other tests in this executable may have set it; the initial value is
    // what a fresh process sees, so check through a reset to the medic.
    ProductConfig::setCurrent(products::javaMedic());
    auto before = ProductConfig::current();
    EXPECT_EQ(before->appID, QStringLiteral("ksm-java"));
    ProductConfig::setCurrent(products::commandLine());
    EXPECT_EQ(ProductConfig::current()->appID, QStringLiteral("varnel-cli"));
    EXPECT_EQ(before->appID, QStringLiteral("ksm-java"));  // earlier readers keep their snapshot
}
