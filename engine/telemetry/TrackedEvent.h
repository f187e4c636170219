#pragma once

#include "engine/telemetry/JSONValue.h"

#include <QString>

namespace varnel {

// What an event builder returns and `TelemetryService::track` takes: the
// event's name and its data, keys in the order the builder listed them.
struct TrackedEvent {
    QString name;
    JSONValue::Object data;
    bool operator==(const TrackedEvent&) const = default;
};

}  // namespace varnel
