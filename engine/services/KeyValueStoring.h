#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace varnel {

// A few persistent settings (user defaults on macOS).
class KeyValueStoring {
public:
    virtual ~KeyValueStoring() = default;
    virtual std::optional<QString> string(const QString& key) const = 0;
    virtual bool boolValue(const QString& key) const = 0;  // false when unset
    // An absent value removes the key.
    virtual void setValue(const QString& key, const std::optional<QVariant>& value) = 0;
};

}  // namespace varnel
