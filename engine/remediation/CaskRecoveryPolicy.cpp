#include "engine/remediation/CaskRecoveryPolicy.h"

namespace varnel {

namespace {

const QString kJavaVirtualMachines = QStringLiteral("/Library/Java/JavaVirtualMachines");

}  // namespace

QString CaskRecoveryPolicy::temurinMajor(const QString& caskName)
{
    const qsizetype at = caskName.indexOf(QLatin1Char('@'));
    if (at < 0 || at + 1 >= caskName.size())
        return QStringLiteral("25");
    return caskName.mid(at + 1);
}

CaskRecoveryPolicy CaskRecoveryPolicy::temurin(const AdoptiumAPI& adoptium, const FileSystemOperating& fs)
{
    CaskRecoveryPolicy policy;
    policy.staleCaskroom = StaleCaskroomRecovery{
        [&fs] {
            const auto entries = fs.contentsOfDirectory(kJavaVirtualMachines);
            if (!entries)
                return true;
            for (const QString& name : *entries)
                if (name.startsWith(QLatin1String("temurin")))
                    return false;
            return true;
        },
        QStringLiteral("the JDK is missing from /Library/Java/JavaVirtualMachines/")};
    policy.pkgFallback = PKGFallback{
        QStringLiteral("temurin"),
        [](const QString& version, const QString& architecture) {
            return QStringLiteral("Looking up Temurin ") + version + QStringLiteral(" (") + architecture +
                   QStringLiteral(") on Adoptium…");
        },
        QStringLiteral("Adoptium didn't respond in time. Try again in a moment, or use Other Java install methods."),
        &CaskRecoveryPolicy::temurinMajor,
        [&adoptium](const QString& version, const QString& architecture, std::stop_token stop)
            -> Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error> {
            bool ok = false;
            const int major = version.toInt(&ok, 10);
            if (!ok)
                return Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error>::failure(
                    {AdoptiumAPI::Error::Kind::other, QStringLiteral("Bad Temurin major version: ") + version, 1,
                     QStringLiteral("BrewRunner.PKG")});
            return adoptium.latestInstaller(QString::number(major), architecture, stop);
        }};
    return policy;
}

}  // namespace varnel
