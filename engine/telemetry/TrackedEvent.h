#pragma once

#include "engine/telemetry/Json.h"

#include <QString>

#include <functional>

namespace varnel {

// What an event builder returns and `TelemetryService::track` takes: the
// event's name and its data, a JSON object with the keys in the order the
// builder listed them.
struct TrackedEvent {
    QString name;
    Json data = Json::object();
    bool operator==(const TrackedEvent&) const = default;
};

// Hands a usage event on without waiting. Screens and models get one injected;
// the application's sends to the shared TelemetryService.
using EventTracker = std::function<void(const TrackedEvent&)>;

}  // namespace varnel
