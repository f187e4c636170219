#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"

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

TEST(ProductConfig, earlierReadersKeepTheirSnapshot)
{
    ProductConfig::setCurrent(products::javaMedic());
    auto before = ProductConfig::current();
    ProductConfig::setCurrent(products::commandLine());
    EXPECT_EQ(ProductConfig::current()->appID, products::commandLine().appID);
    EXPECT_EQ(before->appID, products::javaMedic().appID);
}
