#include "engine/probing/XcodeCLTProbe.h"

#include "engine/probing/ProbeRun.h"

namespace varnel {

std::optional<QString> XcodeCLTProbe::developerDirectory() const
{
    const auto result = probing::runProbe(process_, QStringLiteral("/usr/bin/xcode-select"), {QStringLiteral("-p")});
    if (!result || result->exitCode != 0)
        return std::nullopt;
    const QString path = result->standardOutput.trimmed();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

}  // namespace varnel
