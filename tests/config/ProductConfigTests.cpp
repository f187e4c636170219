#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "engine/probing/SystemProfile.h"

#include <gtest/gtest.h>

using namespace varnel;

TEST(ProductConfig, placeholder)
{
    EXPECT_EQ(products::commandLine().appID, QStringLiteral("varnel-cli"));
}
