#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace varnel {

// A reader for XML property lists, enough for the two the profiler reads
// (SystemVersion.plist and a JDK's Info.plist). Dictionaries become
// QVariantMap, arrays QVariantList, strings and dates QString, integers
// qlonglong, reals double, booleans bool, data QByteArray. Binary property
// lists and malformed XML give no value.
class PropertyList {
public:
    static std::optional<QVariant> parse(const QByteArray& xml);

    // The string found by walking `keyPath` through nested dictionaries.
    static std::optional<QString> string(const QVariant& root, const QStringList& keyPath);
};

}  // namespace varnel
