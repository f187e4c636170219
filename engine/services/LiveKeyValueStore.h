#pragma once

#include "engine/services/KeyValueStoring.h"

#include <QString>

namespace varnel {

// KeyValueStoring over QSettings: the native user defaults on macOS, an INI
// file under ~/.config on Linux. Thread-safe (QSettings is reentrant; each call
// opens its own instance of the same store).
class LiveKeyValueStore final : public KeyValueStoring {
public:
    // An empty file name means the platform's standard user store for the
    // application; tests pass a file path to keep their settings apart.
    explicit LiveKeyValueStore(QString filePath = {});

    std::optional<QString> string(const QString& key) const override;
    bool boolValue(const QString& key) const override;
    void setValue(const QString& key, const std::optional<QVariant>& value) override;

private:
    QString filePath_;
};

}  // namespace varnel
