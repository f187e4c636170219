#pragma once

#include "engine/services/Expected.h"
#include "engine/telemetry/JSONValue.h"

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
    JSONValue::Object eventData;

    bool operator==(const TelemetryEvent&) const = default;

    // The persisted form: {"sessionID", "clientTimestamp", "appVersion",
    // "eventName", "eventData"} with the session id in upper-case canonical text.
    JSONValue toJSON() const;
    static Expected<TelemetryEvent, QString> fromJSON(const JSONValue& json);

    // The pending file: a JSON array of events.
    // Written straight into one buffer: the file is rewritten often and may
    // hold a long backlog.
    template <typename Events>  // any sized range of TelemetryEvent
    static std::optional<QByteArray> encodeList(const Events& events)
    {
        QByteArray out;
        out.reserve(static_cast<qsizetype>(events.size()) * 256 + 2);
        out += '[';
        bool first = true;
        for (const TelemetryEvent& event : events) {
            if (!first)
                out += ',';
            first = false;
            if (!event.appendJSON(out))
                return std::nullopt;
        }
        out += ']';
        return out;
    }
    // toJSON()'s text appended to `out`; false on a number JSON cannot hold.
    bool appendJSON(QByteArray& out) const;
    static Expected<std::vector<TelemetryEvent>, QString> decodeList(const QByteArray& json);

    // Canonical UUID text (8-4-4-4-12 hexadecimal digits, either case), nothing else.
    static std::optional<QUuid> parseUUID(const QString& text);
    static QString upperCaseText(const QUuid& uuid);
    static QString lowerCaseText(const QUuid& uuid);
};

}  // namespace varnel
