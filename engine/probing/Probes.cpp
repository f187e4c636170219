#include "engine/probing/Probes.h"

#include "engine/probing/JavaVersions.h"
#include "engine/probing/JdkReleaseFileReader.h"
#include "engine/probing/ProbeRun.h"
#include "engine/services/Background.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/ProcessRunning.h"

namespace varnel {

std::optional<QString> Probes::whichJava() const
{
    const auto result = probing::runProbe(process_, QStringLiteral("/usr/bin/which"), {QStringLiteral("java")});
    if (!result || result->exitCode != 0)
        return std::nullopt;
    const QString path = result->standardOutput.trimmed();
    return path.isEmpty() ? std::nullopt : std::optional(path);
}

std::vector<JDKInfo> Probes::javaHomeListing() const
{
    // java_home prints the listing on standard error, and exits non-zero when
    // it finds no JDK; both outcomes parse the same way.
    const auto result = probing::runProbe(process_, QStringLiteral("/usr/libexec/java_home"), {QStringLiteral("-V")});
    return parseJavaHomeListing(result ? result->standardError : QString());
}

QStringList Probes::jvmDirContents() const
{
    return fs_.contentsOfDirectory(JdkReleaseFileReader::virtualMachinesDirectory()).valueOr({});
}

std::optional<QString> Probes::javaHomeInActiveShell() const
{
    const auto result = probing::runProbe(process_, QStringLiteral("/bin/zsh"),
                                          {QStringLiteral("-lc"), QStringLiteral("echo ") + javaHomeMarker() +
                                                                      QStringLiteral("$JAVA_HOME")});
    if (!result)
        return std::nullopt;
    return probing::valueAfterLastMarker(result->standardOutput, javaHomeMarker());
}

std::vector<JDKInfo> Probes::mergeInstalledJDKs(const std::vector<JDKInfo>& listed, const QStringList& entries,
                                                const FileSystemOperating& fs)
{
    const QString prefix = JdkReleaseFileReader::virtualMachinesDirectory() + u'/';
    const auto covered = [&](const QString& entry) {
        for (const JDKInfo& jdk : listed)
            if (jdk.path.startsWith(prefix) && jdk.path.mid(prefix.size()).section(u'/', 0, 0) == entry)
                return true;
        return false;
    };
    std::vector<JDKInfo> jdks = listed;
    const JdkReleaseFileReader reader(fs);
    for (const QString& entry : entries) {
        if (covered(entry))
            continue;
        if (auto jdk = reader.jdkInfo(entry))
            jdks.push_back(std::move(*jdk));
    }
    return jdks;
}

ProbeBundle Probes::javaProbeBundle() const
{
    auto [which, listed, entries, javaHome] =
        concurrently([this] { return whichJava(); }, [this] { return javaHomeListing(); },
                     [this] { return jvmDirContents(); }, [this] { return javaHomeInActiveShell(); });
    ProbeBundle bundle;
    bundle.whichJava = std::move(which);
    bundle.installedJDKs = mergeInstalledJDKs(listed, entries, fs_);
    bundle.jvmDirContents = std::move(entries);
    bundle.javaHomeInActiveShell = std::move(javaHome);
    return bundle;
}

}  // namespace varnel
