#include "engine/probing/HomebrewLocations.h"

#include "engine/services/FileSystemOperating.h"

namespace varnel {

const QStringList& homebrewBrewPaths()
{
    static const QStringList paths = {QStringLiteral("/opt/homebrew/bin/brew"), QStringLiteral("/usr/local/bin/brew")};
    return paths;
}

std::optional<QString> installedBrew(const FileSystemOperating& fs)
{
    for (const QString& brew : homebrewBrewPaths())
        if (fs.fileExists(brew))
            return brew;
    return std::nullopt;
}

}  // namespace varnel
