#include "engine/probing/JdkReleaseFileReader.h"

#include "engine/probing/JavaVersions.h"
#include "engine/probing/ProbeRun.h"
#include "engine/probing/PropertyList.h"
#include "engine/services/FileSystemOperating.h"

namespace varnel {

namespace {
bool hasMajorVersion(const QString& version)
{
    return majorJavaVersion(QStringLiteral("version \"") + version + u'"').has_value();
}
}  // namespace

std::map<QString, QString> JdkReleaseFileReader::parseReleaseFile(const QString& text)
{
    std::map<QString, QString> values;
    for (const QString& line : probing::nonEmptyLines(text)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = probing::trimmedSpacesAndTabs(line.left(eq));
        QString value = probing::trimmedSpacesAndTabs(line.mid(eq + 1));
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        values[key] = value;
    }
    return values;
}

std::optional<JDKInfo> JdkReleaseFileReader::jdkInfo(const QString& entryName) const
{
    const QString bundle = virtualMachinesDirectory() + u'/' + entryName;
    const QString home = bundle + QStringLiteral("/Contents/Home");

    if (const auto release = fs_.contents(home + QStringLiteral("/release"))) {
        const auto values = parseReleaseFile(QString::fromUtf8(*release));
        const auto version = values.find(QStringLiteral("JAVA_VERSION"));
        if (version != values.end() && hasMajorVersion(version->second)) {
            const auto vendor = values.find(QStringLiteral("IMPLEMENTOR"));
            return JDKInfo{version->second, vendor != values.end() ? vendor->second : QString(), QString(), home};
        }
    }

    if (const auto plist = fs_.contents(bundle + QStringLiteral("/Contents/Info.plist"))) {
        if (const auto root = PropertyList::parse(*plist)) {
            const auto version = PropertyList::string(*root, {QStringLiteral("JavaVM"), QStringLiteral("JVMVersion")});
            if (version && hasMajorVersion(*version))
                return JDKInfo{*version, QString(), QString(), home};
        }
    }
    return std::nullopt;
}

}  // namespace varnel
