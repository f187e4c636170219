#include "engine/services/LiveKeyValueStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace varnel;

TEST(KeyValueStore, ValuesOutliveTheInstanceAndAnAbsentValueRemovesTheKey)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.ini"));
    const QString text = QStringLiteral("app.session_id"), flag = QStringLiteral("app.consented");
    {
        LiveKeyValueStore store(path);
        EXPECT_FALSE(store.string(text).has_value());
        EXPECT_FALSE(store.boolValue(flag)) << "an unset flag reads as false";
        store.setValue(text, QVariant(QStringLiteral("6F9619FF")));
        store.setValue(flag, QVariant(true));
    }
    LiveKeyValueStore reopened(path);
    EXPECT_EQ(reopened.string(text), QStringLiteral("6F9619FF"));
    EXPECT_TRUE(reopened.boolValue(flag));

    reopened.setValue(text, std::nullopt);
    reopened.setValue(flag, QVariant(false));
    EXPECT_FALSE(LiveKeyValueStore(path).string(text).has_value());
    EXPECT_FALSE(LiveKeyValueStore(path).boolValue(flag)) << "a false flag is not read as its text";
}
