#pragma once

#include "engine/services/Expected.h"
#include "engine/telemetry/Json.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace varnel {

// One usage event as it waits in the queue and in the pending file
// (TelemetryService::Event). The application id and run context are not
// stored: they are added from the configuration when the event is sent.
struct TelemetryEvent {
    QUuid sessionID;
    QString clientTimestamp;  // e.g. 2026-03-01T14:05:09.123Z
    QString appVersion;
    QString eventName;
    Json eventData = Json::object();

    bool operator==(const TelemetryEvent&) const = default;

    // The persisted form: {"sessionID", "clientTimestamp", "appVersion",
    // "eventName", "eventData"} with the session id in upper-case canonical text.
    Json toJSON() const;
    static Expected<TelemetryEvent, QString> fromJSON(const Json& json);

    // The pending file: a JSON array of events.
    template <typename Events>  // any range of TelemetryEvent
    static QByteArray encodeList(const Events& events)
    {
        Json list = Json::array();
        for (const TelemetryEvent& event : events)
            list.push_back(event.toJSON());
        return json::encoded(list);
    }
    static Expected<std::vector<TelemetryEvent>, QString> decodeList(const QByteArray& text);

    // Canonical UUID text (8-4-4-4-12 hexadecimal digits, either case), nothing else.
    static std::optional<QUuid> parseUUID(const QString& text);
    static QString upperCaseText(const QUuid& uuid);
    static QString lowerCaseText(const QUuid& uuid);
};

}  // namespace varnel
