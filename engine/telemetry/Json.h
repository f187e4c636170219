#pragma once

#include <QByteArray>
#include <QString>

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

// QString goes in and out of nlohmann::json as UTF-8 text, so event builders
// write {"app", name} with Qt strings and QStringList becomes an array.
template <>
struct nlohmann::adl_serializer<QString> {
    template <typename BasicJson>
    static void to_json(BasicJson& json, const QString& text)
    {
        json = text.toStdString();
    }
    template <typename BasicJson>
    static void from_json(const BasicJson& json, QString& text)
    {
        text = QString::fromStdString(json.template get<std::string>());
    }
};

namespace varnel {

// Event data goes on the wire in the order its builder listed the keys, so
// events use the ordered flavour.
using Json = nlohmann::ordered_json;

namespace json {

// The text of a JSON string; empty for any other value.
inline QString text(const Json& value)
{
    return value.is_string() ? QString::fromStdString(value.get_ref<const std::string&>()) : QString();
}

// An optional text is the text or null.
inline Json stringOrNull(const std::optional<QString>& text) { return text ? Json(*text) : Json(nullptr); }

template <typename Integer>
Json integerOrNull(const std::optional<Integer>& number)
{
    return number ? Json(*number) : Json(nullptr);
}

// Compact JSON text. Text that is not UTF-8 (only possible in data read back
// from a damaged file) is written with replacement characters rather than failing.
inline QByteArray encoded(const Json& value)
{
    return QByteArray::fromStdString(value.dump(-1, ' ', false, Json::error_handler_t::replace));
}

}  // namespace json
}  // namespace varnel
