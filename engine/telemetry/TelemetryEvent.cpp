#include "engine/telemetry/TelemetryEvent.h"

namespace varnel {

namespace {
constexpr const char* sessionIDKey = "sessionID";
constexpr const char* clientTimestampKey = "clientTimestamp";
constexpr const char* appVersionKey = "appVersion";
constexpr const char* eventNameKey = "eventName";
constexpr const char* eventDataKey = "eventData";

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

Json TelemetryEvent::toJSON() const
{
    return Json{
        {sessionIDKey, upperCaseText(sessionID)},
        {clientTimestampKey, clientTimestamp},
        {appVersionKey, appVersion},
        {eventNameKey, eventName},
        {eventDataKey, eventData},
    };
}

Expected<TelemetryEvent, QString> TelemetryEvent::fromJSON(const Json& json)
{
    using Result = Expected<TelemetryEvent, QString>;
    if (!json.is_object())
        return Result::failure(QStringLiteral("An event is not a JSON object."));
    auto text = [&](const char* key) -> std::optional<QString> {
        const auto found = json.find(key);
        if (found == json.end() || !found->is_string())
            return std::nullopt;
        return json::text(*found);
    };
    auto missing = [](const char* key) {
        return Result::failure(QStringLiteral("The event's \"%1\" is missing or of the wrong type.")
                                   .arg(QString::fromLatin1(key)));
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
    const auto data = json.find(eventDataKey);
    if (data == json.end() || !data->is_object())
        return missing(eventDataKey);

    return TelemetryEvent{*uuid, *timestamp, *version, *name, *data};
}

Expected<std::vector<TelemetryEvent>, QString> TelemetryEvent::decodeList(const QByteArray& text)
{
    using Result = Expected<std::vector<TelemetryEvent>, QString>;
    Json document;
    try {
        document = Json::parse(text.begin(), text.end());
    } catch (const Json::exception& error) {
        return Result::failure(QString::fromUtf8(error.what()));
    }
    if (!document.is_array())
        return Result::failure(QStringLiteral("The pending events are not a JSON array."));
    std::vector<TelemetryEvent> events;
    events.reserve(document.size());
    for (const Json& element : document) {
        auto event = TelemetryEvent::fromJSON(element);
        if (!event)
            return Result::failure(event.error());
        events.push_back(std::move(event).value());
    }
    return events;
}

}  // namespace varnel
