#pragma once

#include "engine/services/Expected.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace varnel {

// A JSON value as usage events carry it. Objects keep their members in
// insertion order, so an event's data goes on the wire in the order its
// builder listed the keys (QJsonObject would sort them).
class JSONValue {
public:
    enum class Kind { string, integer, number, boolean, array, object, null };

    using Array = std::vector<JSONValue>;

    class Object {
    public:
        using Member = std::pair<QString, JSONValue>;

        Object() = default;
        Object(std::initializer_list<Member> members);

        // Adds a member at the end, or replaces the value of an existing key in place.
        void insert(const QString& key, JSONValue value);
        bool contains(const QString& key) const { return find(key) != nullptr; }
        const JSONValue* find(const QString& key) const;
        QStringList keys() const;

        bool isEmpty() const { return members_.empty(); }
        size_t size() const { return members_.size(); }
        auto begin() const { return members_.begin(); }
        auto end() const { return members_.end(); }

        bool operator==(const Object& other) const;

    private:
        std::vector<Member> members_;
    };

    JSONValue() : value_(nullptr) {}
    JSONValue(std::nullptr_t) : value_(nullptr) {}
    JSONValue(QString value) : value_(std::move(value)) {}
    JSONValue(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
    JSONValue(bool value) : value_(value) {}
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    JSONValue(T value) : value_(static_cast<int64_t>(value))
    {
    }
    JSONValue(double value) : value_(value) {}
    JSONValue(Array value) : value_(std::move(value)) {}
    JSONValue(Object value) : value_(std::move(value)) {}
    JSONValue(const QStringList& strings);

    // An optional text is the text or null.
    static JSONValue stringOrNull(const std::optional<QString>& text);
    template <std::integral T>
    static JSONValue integerOrNull(const std::optional<T>& number)
    {
        return number ? JSONValue(*number) : JSONValue();
    }

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isNull() const { return kind() == Kind::null; }

    // Typed access; the fallback when the value is of another kind.
    QString toString(const QString& fallback = {}) const;
    int64_t toInteger(int64_t fallback = 0) const;
    double toDouble(double fallback = 0) const;  // integers convert
    bool toBool(bool fallback = false) const;
    const Array& toArray() const;
    const Object& toObject() const;

    bool operator==(const JSONValue& other) const { return value_ == other.value_; }

    // Compact JSON text. Fails (nullopt) when a number is not finite: JSON has no
    // spelling for it.
    std::optional<QByteArray> encoded() const;
    // The same text appended to `out`, for writers that stream many values
    // into one buffer. False (with `out` partly written) on a non-finite number.
    bool appendEncoded(QByteArray& out) const;
    static bool appendEncoded(QByteArray& out, const Object& object);
    static void appendEncoded(QByteArray& out, const QString& text);

    // Parses JSON text. A number becomes an integer when it is integral and fits
    // in 64 bits, a double otherwise (integers are tried before doubles).
    static Expected<JSONValue, QString> decode(const QByteArray& json);

private:
    // Alternatives in the order of Kind.
    std::variant<QString, int64_t, double, bool, Array, Object, std::nullptr_t> value_;
};

}  // namespace varnel
