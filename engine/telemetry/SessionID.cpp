#include "engine/telemetry/SessionID.h"

#include "engine/telemetry/TelemetryEvent.h"

namespace varnel {

QUuid SessionID::value() const
{
    if (const std::optional<QString> stored = store_.string(key_))
        if (const std::optional<QUuid> uuid = TelemetryEvent::parseUUID(*stored))
            return *uuid;
    const QUuid fresh = QUuid::createUuid();
    store_.setValue(key_, QVariant(TelemetryEvent::upperCaseText(fresh)));
    return fresh;
}

}  // namespace varnel
