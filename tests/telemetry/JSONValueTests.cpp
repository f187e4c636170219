#include "engine/telemetry/JSONValue.h"
#include "engine/telemetry/TelemetryEvent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace varnel;

namespace {
JSONValue decoded(const char* json)
{
    auto result = JSONValue::decode(QByteArray(json));
    EXPECT_TRUE(result) << json << ": " << (result ? "" : result.error().toStdString());
    return result ? result.value() : JSONValue();
}

QByteArray encoded(const JSONValue& value) { return value.encoded().value_or("<failed>"); }
}  // namespace

TEST(JSONValue, DecodingTriesNullBoolIntegerDoubleStringArrayObjectInThatOrder)
{
    EXPECT_EQ(decoded("null").kind(), JSONValue::Kind::null);
    EXPECT_EQ(decoded("true"), JSONValue(true));
    EXPECT_EQ(decoded("false"), JSONValue(false));
    EXPECT_EQ(decoded("42"), JSONValue(42));
    EXPECT_EQ(decoded("-7"), JSONValue(-7));
    EXPECT_EQ(decoded("9223372036854775807"), JSONValue(std::numeric_limits<int64_t>::max()));
    // A whole number written with a fraction or an exponent still reads as an integer.
    EXPECT_EQ(decoded("3.0"), JSONValue(3));
    EXPECT_EQ(decoded("1e3"), JSONValue(1000));
    EXPECT_EQ(decoded("2.5"), JSONValue(2.5));
    EXPECT_EQ(decoded("-0.125").kind(), JSONValue::Kind::number);
    EXPECT_EQ(decoded("1e19").kind(), JSONValue::Kind::number) << "too large for 64 bits";
    EXPECT_EQ(decoded(" \"x\" "), JSONValue("x"));
    EXPECT_EQ(decoded("\"\\u00e9\\ud83d\\ude00\\n\\\"\""), JSONValue(QStringLiteral("é😀\n\"")));
    EXPECT_EQ(decoded("\"héllo\""), JSONValue(QStringLiteral("héllo")));
    EXPECT_EQ(decoded("[1,\"a\",null]"), JSONValue(JSONValue::Array{1, "a", nullptr}));

    // Objects keep the order the text lists their members in.
    const JSONValue object = decoded("{\"zeta\": 1, \"alpha\": {\"b\": [], \"a\": {}}}");
    EXPECT_EQ(object.toObject().keys(), (QStringList{"zeta", "alpha"}));
    EXPECT_EQ(object.toObject().find("alpha")->toObject().keys(), (QStringList{"b", "a"}));

    auto unknown = JSONValue::decode("1e400");
    ASSERT_FALSE(unknown);
    EXPECT_TRUE(unknown.error().contains("Unknown JSONValue")) << unknown.error().toStdString();

    for (const char* bad : {"", "nul", "[1,]", "{\"a\" 1}", "{a:1}", "\"open", "01", "1.", "[1] x", "\"\\x\"",
                            "\"\t\"", "-", "{\"a\":1,}"}) {
        EXPECT_FALSE(JSONValue::decode(QByteArray(bad))) << bad;
    }
    // Hostile nesting is an error, not a stack overflow.
    EXPECT_FALSE(JSONValue::decode(QByteArray(100000, '[')));
}

TEST(JSONValue, EncodingKeepsInsertionOrderAndEscapes)
{
    JSONValue::Object data{{"z", 1}, {"a", "x"}};
    data.insert("m", JSONValue::Array{true, nullptr, 0.5});
    data.insert("z", 2);  // replaces in place
    EXPECT_EQ(encoded(data), "{\"z\":2,\"a\":\"x\",\"m\":[true,null,0.5]}");

    EXPECT_EQ(encoded(JSONValue(QStringLiteral("a\"b\\c\nd\te\x01 é/"))), "\"a\\\"b\\\\c\\nd\\te\\u0001 é/\"");
    EXPECT_EQ(encoded(JSONValue(0.1)), "0.1");
    EXPECT_EQ(encoded(JSONValue(12.3)), "12.3");
    EXPECT_EQ(encoded(JSONValue(std::numeric_limits<int64_t>::min())), "-9223372036854775808");
    EXPECT_EQ(encoded(JSONValue(QStringList{"iterm2", "warp"})), "[\"iterm2\",\"warp\"]");
    EXPECT_EQ(encoded(JSONValue::Object{}), "{}");

    EXPECT_FALSE(JSONValue(std::nan("")).encoded());
    EXPECT_FALSE(JSONValue(JSONValue::Object{{"x", std::numeric_limits<double>::infinity()}}).encoded());

    // Whatever is encoded decodes to the same value.
    const JSONValue nested = JSONValue::Object{{"s", QStringLiteral("😀\u0301")}, {"list", JSONValue::Array{1, 2.25, "three"}}};
    EXPECT_EQ(JSONValue::decode(encoded(nested)).value(), nested);
}

TEST(JSONValue, PendingEventsRoundTripAndRejectWhatIsNotAnEventList)
{
    const QUuid id = QUuid::fromString(QStringLiteral("6f9619ff-8b86-d011-b42d-00c04fc964ff"));
    const std::vector<TelemetryEvent> events{
        {id, "2026-03-01T14:05:09.123Z", "0.1 (1)", "app_launched", {{"macos_major", 14}, {"arch", "arm64"}}},
        {id, "2026-03-01T14:05:10.000Z", "0.1 (1)", "consent_given", {}},
        {id, "2026-03-01T14:05:11.000Z", "0.1 (1)", "nps_submitted", {{"score", 9}, {"reason", "Fast \"and\"\n\tclear é"}}},
    };
    const QByteArray file = TelemetryEvent::encodeList(events).value();
    EXPECT_TRUE(file.startsWith("[{\"sessionID\":\"6F9619FF-8B86-D011-B42D-00C04FC964FF\",\"clientTimestamp\":"))
        << file.constData();
    JSONValue::Array tree;
    for (const TelemetryEvent& event : events)
        tree.push_back(event.toJSON());
    EXPECT_EQ(file, JSONValue(tree).encoded().value()) << "the streamed list is the tree's text";
    auto back = TelemetryEvent::decodeList(file);
    ASSERT_TRUE(back);
    EXPECT_EQ(back.value(), events);

    EXPECT_FALSE(TelemetryEvent::decodeList("{}"));
    EXPECT_FALSE(TelemetryEvent::decodeList("[{\"sessionID\":\"nope\",\"clientTimestamp\":\"t\",\"appVersion\":\"v\","
                                            "\"eventName\":\"n\",\"eventData\":{}}]"));
    EXPECT_FALSE(TelemetryEvent::decodeList("[{\"sessionID\":\"6F9619FF-8B86-D011-B42D-00C04FC964FF\","
                                            "\"clientTimestamp\":\"t\",\"appVersion\":\"v\",\"eventName\":\"n\"}]"));
    EXPECT_TRUE(TelemetryEvent::decodeList("[]"));

    EXPECT_TRUE(TelemetryEvent::parseUUID("6f9619ff-8b86-d011-b42d-00c04fc964ff"));
    EXPECT_FALSE(TelemetryEvent::parseUUID("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"));
    EXPECT_FALSE(TelemetryEvent::parseUUID("6f9619ff8b86d011b42d00c04fc964ff"));
    EXPECT_FALSE(TelemetryEvent::parseUUID("6f9619ff-8b86-d011-b42d-00c04fc964fg"));
}
