#pragma once

#include "engine/services/KeyValueStoring.h"

#include <map>
#include <mutex>

namespace varnel::testing {

class InMemoryKeyValueStore final : public KeyValueStoring {
public:
    std::optional<QString> string(const QString& key) const override
    {
        std::lock_guard guard(lock_);
        auto it = values_.find(key);
        if (it == values_.end())
            return std::nullopt;
        return it->second.toString();
    }
    bool boolValue(const QString& key) const override
    {
        std::lock_guard guard(lock_);
        auto it = values_.find(key);
        return it != values_.end() && it->second.toBool();
    }
    void setValue(const QString& key, const std::optional<QVariant>& value) override
    {
        std::lock_guard guard(lock_);
        if (value)
            values_[key] = *value;
        else
            values_.erase(key);
    }

private:
    mutable std::mutex lock_;
    std::map<QString, QVariant> values_;
};

}  // namespace varnel::testing
