#include "engine/telemetry/JSONValue.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace varnel {

// ---- Object ---------------------------------------------------------------------

JSONValue::Object::Object(std::initializer_list<Member> members)
{
    for (const Member& member : members)
        insert(member.first, member.second);
}

void JSONValue::Object::insert(const QString& key, JSONValue value)
{
    for (Member& member : members_) {
        if (member.first == key) {
            member.second = std::move(value);
            return;
        }
    }
    members_.emplace_back(key, std::move(value));
}

const JSONValue* JSONValue::Object::find(const QString& key) const
{
    for (const Member& member : members_)
        if (member.first == key)
            return &member.second;
    return nullptr;
}

QStringList JSONValue::Object::keys() const
{
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(members_.size()));
    for (const Member& member : members_)
        keys << member.first;
    return keys;
}

bool JSONValue::Object::operator==(const Object& other) const { return members_ == other.members_; }

// ---- values -----------------------------------------------------------------------

JSONValue::JSONValue(const QStringList& strings)
{
    Array array;
    array.reserve(static_cast<size_t>(strings.size()));
    for (const QString& s : strings)
        array.emplace_back(s);
    value_ = std::move(array);
}

JSONValue JSONValue::stringOrNull(const std::optional<QString>& text) { return text ? JSONValue(*text) : JSONValue(); }

QString JSONValue::toString(const QString& fallback) const
{
    const auto* s = std::get_if<QString>(&value_);
    return s ? *s : fallback;
}

int64_t JSONValue::toInteger(int64_t fallback) const
{
    const auto* i = std::get_if<int64_t>(&value_);
    return i ? *i : fallback;
}

double JSONValue::toDouble(double fallback) const
{
    if (const auto* d = std::get_if<double>(&value_))
        return *d;
    if (const auto* i = std::get_if<int64_t>(&value_))
        return static_cast<double>(*i);
    return fallback;
}

bool JSONValue::toBool(bool fallback) const
{
    const auto* b = std::get_if<bool>(&value_);
    return b ? *b : fallback;
}

const JSONValue::Array& JSONValue::toArray() const
{
    static const Array empty;
    const auto* a = std::get_if<Array>(&value_);
    return a ? *a : empty;
}

const JSONValue::Object& JSONValue::toObject() const
{
    static const Object empty;
    const auto* o = std::get_if<Object>(&value_);
    return o ? *o : empty;
}

// ---- encoding ---------------------------------------------------------------------

namespace {

void appendString(QByteArray& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out += '"';
    const char* run = utf8.constData();
    const char* end = run + utf8.size();
    // Copies runs of plain bytes at once and escapes the few that need it.
    for (const char* p = run; p != end; ++p) {
        const auto u = static_cast<unsigned char>(*p);
        if (u >= 0x20 && u != '"' && u != '\\')
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (u) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 0xf];
        }
    }
    out.append(run, end - run);
    out += '"';
}

bool appendValue(QByteArray& out, const JSONValue& value);

bool appendObject(QByteArray& out, const JSONValue::Object& object)
{
    out += '{';
    bool first = true;
    for (const auto& [key, member] : object) {
        if (!first)
            out += ',';
        first = false;
        appendString(out, key);
        out += ':';
        if (!appendValue(out, member))
            return false;
    }
    out += '}';
    return true;
}

bool appendValue(QByteArray& out, const JSONValue& value)
{
    switch (value.kind()) {
    case JSONValue::Kind::string: appendString(out, value.toString()); return true;
    case JSONValue::Kind::integer: out += QByteArray::number(static_cast<qlonglong>(value.toInteger())); return true;
    case JSONValue::Kind::number: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false;
        out += QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
        return true;
    }
    case JSONValue::Kind::boolean: out += value.toBool() ? "true" : "false"; return true;
    case JSONValue::Kind::null: out += "null"; return true;
    case JSONValue::Kind::array: {
        out += '[';
        bool first = true;
        for (const JSONValue& element : value.toArray()) {
            if (!first)
                out += ',';
            first = false;
            if (!appendValue(out, element))
                return false;
        }
        out += ']';
        return true;
    }
    case JSONValue::Kind::object: return appendObject(out, value.toObject());
    }
    return false;
}

// ---- decoding ----------------------------------------------------------------------

class Parser {
public:
    explicit Parser(const QByteArray& text) : p_(text.constData()), end_(text.constData() + text.size()), begin_(p_) {}

    Expected<JSONValue, QString> parseDocument()
    {
        skipSpace();
        std::optional<JSONValue> value = parseValue(0);
        if (value) {
            skipSpace();
            if (p_ != end_)
                fail("Unexpected text after the JSON value");
        }
        if (!value || !error_.isEmpty())
            return Expected<JSONValue, QString>::failure(error_.isEmpty() ? QStringLiteral("Unknown JSONValue") : error_);
        return std::move(*value);
    }

private:
    static constexpr int maxDepth = 256;

    std::optional<JSONValue> fail(const char* what)
    {
        if (error_.isEmpty())
            error_ = QStringLiteral("The data couldn't be read because it isn't in the correct format (%1 at offset %2).")
                         .arg(QString::fromUtf8(what))
                         .arg(p_ - begin_);
        return std::nullopt;
    }

    void skipSpace()
    {
        while (p_ != end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\n' || *p_ == '\r'))
            ++p_;
    }

    bool consume(const char* literal)
    {
        const char* q = p_;
        for (; *literal; ++literal, ++q)
            if (q == end_ || *q != *literal)
                return false;
        p_ = q;
        return true;
    }

    std::optional<JSONValue> parseValue(int depth)
    {
        if (depth > maxDepth)
            return fail("Nesting too deep");
        if (p_ == end_)
            return fail("Unexpected end of data");
        switch (*p_) {
        case 'n': return consume("null") ? std::optional<JSONValue>(JSONValue()) : fail("Invalid literal");
        case 't': return consume("true") ? std::optional<JSONValue>(JSONValue(true)) : fail("Invalid literal");
        case 'f': return consume("false") ? std::optional<JSONValue>(JSONValue(false)) : fail("Invalid literal");
        case '"': {
            std::optional<QString> s = parseString();
            return s ? std::optional<JSONValue>(JSONValue(std::move(*s))) : std::nullopt;
        }
        case '[': return parseArray(depth);
        case '{': return parseObject(depth);
        default:
            if (*p_ == '-' || (*p_ >= '0' && *p_ <= '9'))
                return parseNumber();
            return fail("Unexpected character");
        }
    }

    std::optional<JSONValue> parseNumber()
    {
        const char* start = p_;
        bool integral = true;
        if (*p_ == '-')
            ++p_;
        auto digits = [&] {
            const char* first = p_;
            while (p_ != end_ && *p_ >= '0' && *p_ <= '9')
                ++p_;
            return p_ != first;
        };
        if (p_ == end_)
            return fail("Invalid number");
        if (*p_ == '0')
            ++p_;
        else if (!digits())
            return fail("Invalid number");
        if (p_ != end_ && *p_ == '.') {
            integral = false;
            ++p_;
            if (!digits())
                return fail("Invalid number");
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            integral = false;
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-'))
                ++p_;
            if (!digits())
                return fail("Invalid number");
        }
        const QByteArray text(start, p_ - start);
        bool ok = false;
        if (integral) {
            const qlonglong i = text.toLongLong(&ok);
            if (ok)
                return JSONValue(static_cast<int64_t>(i));
        }
        const double d = text.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            return fail("Unknown JSONValue");
        // Integers are tried before doubles: 3.0 and 1e3 read as integers.
        constexpr double twoTo63 = 9223372036854775808.0;
        if (d == std::trunc(d) && d >= -twoTo63 && d < twoTo63)
            return JSONValue(static_cast<int64_t>(d));
        return JSONValue(d);
    }

    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    std::optional<char16_t> parseHex4()
    {
        if (end_ - p_ < 4)
            return std::nullopt;
        int value = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = hexValue(p_[i]);
            if (h < 0)
                return std::nullopt;
            value = value * 16 + h;
        }
        p_ += 4;
        return static_cast<char16_t>(value);
    }

    std::optional<QString> parseString()
    {
        ++p_;  // opening quote
        QString result;
        const char* runStart = p_;
        auto flushRun = [&] {
            if (p_ != runStart)
                result += QString::fromUtf8(runStart, p_ - runStart);
        };
        while (true) {
            if (p_ == end_) {
                fail("Unterminated string");
                return std::nullopt;
            }
            const char c = *p_;
            if (c == '"') {
                flushRun();
                ++p_;
                return result;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                fail("Control character in string");
                return std::nullopt;
            }
            if (c != '\\') {
                ++p_;
                continue;
            }
            flushRun();
            ++p_;
            if (p_ == end_) {
                fail("Unterminated string");
                return std::nullopt;
            }
            const char escape = *p_++;
            switch (escape) {
            case '"': result += u'"'; break;
            case '\\': result += u'\\'; break;
            case '/': result += u'/'; break;
            case 'b': result += u'\b'; break;
            case 'f': result += u'\f'; break;
            case 'n': result += u'\n'; break;
            case 'r': result += u'\r'; break;
            case 't': result += u'\t'; break;
            case 'u': {
                const std::optional<char16_t> unit = parseHex4();
                if (!unit) {
                    fail("Invalid escape");
                    return std::nullopt;
                }
                result += QChar(*unit);
                break;
            }
            default: fail("Invalid escape"); return std::nullopt;
            }
            runStart = p_;
        }
    }

    std::optional<JSONValue> parseArray(int depth)
    {
        ++p_;
        JSONValue::Array array;
        skipSpace();
        if (p_ != end_ && *p_ == ']') {
            ++p_;
            return JSONValue(std::move(array));
        }
        while (true) {
            skipSpace();
            std::optional<JSONValue> element = parseValue(depth + 1);
            if (!element)
                return std::nullopt;
            array.push_back(std::move(*element));
            skipSpace();
            if (p_ != end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ != end_ && *p_ == ']') {
                ++p_;
                return JSONValue(std::move(array));
            }
            return fail("Expected , or ] in array");
        }
    }

    std::optional<JSONValue> parseObject(int depth)
    {
        ++p_;
        JSONValue::Object object;
        skipSpace();
        if (p_ != end_ && *p_ == '}') {
            ++p_;
            return JSONValue(std::move(object));
        }
        while (true) {
            skipSpace();
            if (p_ == end_ || *p_ != '"')
                return fail("Expected a key in object");
            std::optional<QString> key = parseString();
            if (!key)
                return std::nullopt;
            skipSpace();
            if (p_ == end_ || *p_ != ':')
                return fail("Expected : in object");
            ++p_;
            skipSpace();
            std::optional<JSONValue> value = parseValue(depth + 1);
            if (!value)
                return std::nullopt;
            object.insert(*key, std::move(*value));
            skipSpace();
            if (p_ != end_ && *p_ == ',') {
                ++p_;
                continue;
            }
            if (p_ != end_ && *p_ == '}') {
                ++p_;
                return JSONValue(std::move(object));
            }
            return fail("Expected , or } in object");
        }
    }

    const char* p_;
    const char* end_;
    const char* begin_;
    QString error_;
};

}  // namespace

std::optional<QByteArray> JSONValue::encoded() const
{
    QByteArray out;
    if (!appendValue(out, *this))
        return std::nullopt;
    return out;
}

bool JSONValue::appendEncoded(QByteArray& out) const { return appendValue(out, *this); }

bool JSONValue::appendEncoded(QByteArray& out, const Object& object) { return appendObject(out, object); }

void JSONValue::appendEncoded(QByteArray& out, const QString& text) { appendString(out, text); }

Expected<JSONValue, QString> JSONValue::decode(const QByteArray& json) { return Parser(json).parseDocument(); }

}  // namespace varnel
