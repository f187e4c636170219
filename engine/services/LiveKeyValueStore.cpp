#include "engine/services/LiveKeyValueStore.h"

#include <QSettings>

#include <memory>

namespace varnel {

namespace {
std::unique_ptr<QSettings> open(const QString& filePath)
{
    if (filePath.isEmpty())
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Kestrane Guide"), QStringLiteral("Varnel"));
    return std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}
}  // namespace

LiveKeyValueStore::LiveKeyValueStore(QString filePath) : filePath_(std::move(filePath)) {}

std::optional<QString> LiveKeyValueStore::string(const QString& key) const
{
    const QVariant value = open(filePath_)->value(key);
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return value.toString();
}

bool LiveKeyValueStore::boolValue(const QString& key) const
{
    const QVariant value = open(filePath_)->value(key);
    return value.isValid() && value.toBool();
}

void LiveKeyValueStore::setValue(const QString& key, const std::optional<QVariant>& value)
{
    auto settings = open(filePath_);
    if (value)
        settings->setValue(key, *value);
    else
        settings->remove(key);
    settings->sync();
}

}  // namespace varnel
