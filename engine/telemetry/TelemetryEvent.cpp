#include "engine/telemetry/TelemetryEvent.h"

namespace varnel {

namespace {
const QString sessionIDKey = QStringLiteral("sessionID");
const QString clientTimestampKey = QStringLiteral("clientTimestamp");
const QString appVersionKey = QStringLiteral("appVersion");
const QString eventNameKey = QStringLiteral("eventName");
const QString eventDataKey = QStringLiteral("eventData");

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
}  // namespace

std::optional<QUuid> TelemetryEvent::parseUUID(const QString& text)
{
    // QUuid also accepts braces and other spellings; a stored id must be the plain form.
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != u'-' : !isHexDigit(text[i]))
            return std::nullopt;
    }
    const QUuid uuid = QUuid::fromString(text);
    if (uuid.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return uuid;
}

QString TelemetryEvent::upperCaseText(const QUuid& uuid) { return uuid.toString(QUuid::WithoutBraces).toUpper(); }

QString TelemetryEvent::lowerCaseText(const QUuid& uuid) { return uuid.toString(QUuid::WithoutBraces).toLower(); }

JSONValue TelemetryEvent::toJSON() const
{
    return JSONValue::Object{
        {sessionIDKey, upperCaseText(sessionID)},
        {clientTimestampKey, clientTimestamp},
        {appVersionKey, appVersion},
        {eventNameKey, eventName},
        {eventDataKey, eventData},
    };
}

bool TelemetryEvent::appendJSON(QByteArray& out) const
{
    out += "{\"sessionID\":";
    JSONValue::appendEncoded(out, upperCaseText(sessionID));
    out += ",\"clientTimestamp\":";
    JSONValue::appendEncoded(out, clientTimestamp);
    out += ",\"appVersion\":";
    JSONValue::appendEncoded(out, appVersion);
    out += ",\"eventName\":";
    JSONValue::appendEncoded(out, eventName);
    out += ",\"eventData\":";
    if (!JSONValue::appendEncoded(out, eventData))
        return false;
    out += '}';
    return true;
}

Expected<TelemetryEvent, QString> TelemetryEvent::fromJSON(const JSONValue& json)
{
    using Result = Expected<TelemetryEvent, QString>;
    if (json.kind() != JSONValue::Kind::object)
        return Result::failure(QStringLiteral("An event is not a JSON object."));
    const JSONValue::Object& object = json.toObject();

    auto text = [&](const QString& key) -> std::optional<QString> {
        const JSONValue* value = object.find(key);
        if (!value || value->kind() != JSONValue::Kind::string)
            return std::nullopt;
        return value->toString();
    };
    auto missing = [](const QString& key) {
        return Result::failure(QStringLiteral("The event's \"%1\" is missing or of the wrong type.").arg(key));
    };

    const std::optional<QString> session = text(sessionIDKey);
    if (!session)
        return missing(sessionIDKey);
    const std::optional<QUuid> uuid = parseUUID(*session);
    if (!uuid)
        return Result::failure(QStringLiteral("The event's sessionID \"%1\" is not a UUID.").arg(*session));
    const std::optional<QString> timestamp = text(clientTimestampKey);
    if (!timestamp)
        return missing(clientTimestampKey);
    const std::optional<QString> version = text(appVersionKey);
    if (!version)
        return missing(appVersionKey);
    const std::optional<QString> name = text(eventNameKey);
    if (!name)
        return missing(eventNameKey);
    const JSONValue* data = object.find(eventDataKey);
    if (!data || data->kind() != JSONValue::Kind::object)
        return missing(eventDataKey);

    return TelemetryEvent{*uuid, *timestamp, *version, *name, data->toObject()};
}

Expected<std::vector<TelemetryEvent>, QString> TelemetryEvent::decodeList(const QByteArray& json)
{
    using Result = Expected<std::vector<TelemetryEvent>, QString>;
    auto document = JSONValue::decode(json);
    if (!document)
        return Result::failure(document.error());
    if (document->kind() != JSONValue::Kind::array)
        return Result::failure(QStringLiteral("The pending events are not a JSON array."));
    std::vector<TelemetryEvent> events;
    events.reserve(document->toArray().size());
    for (const JSONValue& element : document->toArray()) {
        auto event = TelemetryEvent::fromJSON(element);
        if (!event)
            return Result::failure(event.error());
        events.push_back(std::move(event).value());
    }
    return events;
}

}  // namespace varnel
