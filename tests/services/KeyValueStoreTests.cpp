#include "engine/services/LiveKeyValueStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;

TEST(KeyValueStore, SetReadAndRemoveValuesThatOutliveTheInstance)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("defaults.ini"));
    const QString idKey = QStringLiteral("com.kestraneguide.varnel.cli.session_id");
    const QString flagKey = QStringLiteral("com.kestraneguide.varnel.cli.consented");

    {
        LiveKeyValueStore store(path);
        EXPECT_FALSE(store.string(idKey).has_value());
        EXPECT_FALSE(store.boolValue(flagKey)) << "an unset flag reads as false";

        store.setValue(idKey, QVariant(QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF")));
        store.setValue(flagKey, QVariant(true));
        EXPECT_EQ(store.string(idKey), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
        EXPECT_TRUE(store.boolValue(flagKey));
    }

    LiveKeyValueStore reopened(path);
    EXPECT_EQ(reopened.string(idKey), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_TRUE(reopened.boolValue(flagKey));

    // Setting an absent value removes the key.
    reopened.setValue(idKey, std::nullopt);
    reopened.setValue(flagKey, std::nullopt);
    EXPECT_FALSE(reopened.string(idKey).has_value());
    EXPECT_FALSE(reopened.boolValue(flagKey));
    EXPECT_FALSE(LiveKeyValueStore(path).string(idKey).has_value());

    // A false flag stays false rather than reading as its text.
    reopened.setValue(flagKey, QVariant(false));
    EXPECT_FALSE(LiveKeyValueStore(path).boolValue(flagKey));
}
