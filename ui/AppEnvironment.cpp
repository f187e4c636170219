#include "ui/AppEnvironment.h"

#include "engine/telemetry/TelemetryService.h"

namespace varnel {

AppEnvironment::Tracker AppEnvironment::tracker() const
{
    if (tracker_)
        return tracker_;
    return [](const TrackedEvent& event) { TelemetryService::shared().track(event); };
}

}  // namespace varnel
