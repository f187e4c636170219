#include "engine/probing/PropertyList.h"

#include <QXmlStreamReader>

namespace varnel {

namespace {
// Reads the value whose start element the reader is on, leaving the reader on
// that element's end. Returns nothing for anything that is not a plist value.
std::optional<QVariant> readValue(QXmlStreamReader& xml, int depth)
{
    // Real property lists nest a handful of levels; a bound keeps a hostile
    // file from exhausting the stack.
    if (depth > 64)
        return std::nullopt;
    const auto name = xml.name();
    if (name == u"dict") {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key")
                return std::nullopt;
            const QString key = xml.readElementText();
            if (!xml.readNextStartElement())
                return std::nullopt;
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            map.insert(key, *value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(map);
    }
    if (name == u"array") {
        QVariantList list;
        while (xml.readNextStartElement()) {
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            list.append(*value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(list);
    }
    if (name == u"string" || name == u"date")
        return QVariant(xml.readElementText());
    if (name == u"integer") {
        bool ok = false;
        const qlonglong v = xml.readElementText().trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    if (name == u"real") {
        bool ok = false;
        const double v = xml.readElementText().trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    if (name == u"true" || name == u"false") {
        const bool v = name == u"true";
        xml.readElementText();
        return QVariant(v);
    }
    if (name == u"data")
        return QVariant(QByteArray::fromBase64(xml.readElementText().toLatin1()));
    return std::nullopt;
}
}  // namespace

std::optional<QVariant> PropertyList::parse(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != u"plist")
        return std::nullopt;
    if (!xml.readNextStartElement())
        return std::nullopt;
    auto value = readValue(xml, 0);
    if (!value || xml.hasError())
        return std::nullopt;
    return value;
}

std::optional<QString> PropertyList::string(const QVariant& root, const QStringList& keyPath)
{
    QVariant node = root;
    for (const QString& key : keyPath) {
        if (node.typeId() != QMetaType::QVariantMap)
            return std::nullopt;
        const QVariantMap map = node.toMap();
        auto it = map.constFind(key);
        if (it == map.constEnd())
            return std::nullopt;
        node = *it;
    }
    if (node.typeId() != QMetaType::QString)
        return std::nullopt;
    return node.toString();
}

}  // namespace varnel
