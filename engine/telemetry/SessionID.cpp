#include "engine/telemetry/SessionID.h"

#include "engine/config/ProductConfig.h"
#include "engine/telemetry/TelemetryEvent.h"

namespace varnel {

QUuid SessionID::value() const
{
    const QString key = ProductConfig::current()->sessionIDKey();
    if (const std::optional<QString> stored = store_.string(key))
        if (const std::optional<QUuid> uuid = TelemetryEvent::parseUUID(*stored))
            return *uuid;
    const QUuid fresh = QUuid::createUuid();
    store_.setValue(key, QVariant(TelemetryEvent::upperCaseText(fresh)));
    return fresh;
}

}  // namespace varnel
