#include "engine/agents/BundledResources.h"

#include "engine/services/FileSystemOperating.h"

#include <QCoreApplication>
#include <QDir>

namespace varnel {

namespace {
QString resourcesDirectoryFor(const QString& executableDirectory)
{
    const QString cleaned = QDir::cleanPath(executableDirectory);
    if (cleaned.endsWith(QStringLiteral("/Contents/MacOS")))
        return QDir::cleanPath(cleaned + QStringLiteral("/../Resources"));
    return cleaned;
}
}  // namespace

BundledResources::BundledResources(const FileSystemOperating& fs, QString executableDirectory)
    : fs_(fs), directory_(resourcesDirectoryFor(executableDirectory))
{
}

BundledResources BundledResources::ofRunningApplication(const FileSystemOperating& fs)
{
    return BundledResources(fs, QCoreApplication::applicationDirPath());
}

std::optional<QString> BundledResources::find(const QString& group, const QString& name) const
{
    // A name is one folder: nothing may reach outside the resources.
    for (const QString& part : {group, name})
        if (part.isEmpty() || part.contains(QLatin1Char('/')) || part == QStringLiteral("..") ||
            part == QStringLiteral("."))
            return std::nullopt;
    const QString path = directory_ + QLatin1Char('/') + group + QLatin1Char('/') + name;
    bool isDirectory = false;
    if (fs_.fileExists(path, &isDirectory) && isDirectory)
        return path;
    return std::nullopt;
}

}  // namespace varnel
