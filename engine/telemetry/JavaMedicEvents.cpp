#include "engine/telemetry/JavaMedicEvents.h"

#include "engine/probing/JavaVersions.h"
#include "engine/telemetry/EventText.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

std::optional<int> majorOf(const JDKInfo& jdk)
{
    return majorJavaVersion(QStringLiteral("version \"") + jdk.version + u'"');
}
}  // namespace

TrackedEvent javaDiagnosisReached(const QString& diagnosis, const QString& reason, const ProbeBundle& javaState,
                                  const QString& loginName)
{
    Json jdks = Json::array();
    for (const JDKInfo& jdk : javaState.installedJDKs) {
        jdks.push_back(Json{
            {"path", scrubbedHomePath(jdk.path, loginName)},
            {"major_version", json::integerOrNull(majorOf(jdk))},
            {"vendor", jdk.vendor.isEmpty() ? Json(nullptr) : Json(jdk.vendor)},
        });
    }
    const int firstMajor = javaState.installedJDKs.empty() ? 0 : majorOf(javaState.installedJDKs.front()).value_or(0);
    const std::optional<QString>& home = javaState.javaHomeInActiveShell;
    const bool homeSet = home && !home->isEmpty();

    return {"diagnosis_reached",
            {
                {"diagnosis", diagnosis},
                {"reason", diagnosis == s("unknown") ? truncatedToCharacters(reason, 120) : reason},
                {"java_major_version", firstMajor},
                {"discovered_jdks", std::move(jdks)},
                {"current_java_home", homeSet ? Json(scrubbedHomePath(*home, loginName)) : Json(nullptr)},
            }};
}

TrackedEvent chooserShown(const QString& screen, int defaultOffered)
{
    return {"chooser_shown", {{"screen", screen}, {"default_offered", defaultOffered}}};
}

TrackedEvent javaVerifyPassed(const QString& javaVersionOutput)
{
    return {"verify_passed",
            {
                {"java_version_excerpt", javaVersionExcerpt(javaVersionOutput)},
                {"java_major_version", json::integerOrNull(majorJavaVersion(javaVersionOutput))},
            }};
}

TrackedEvent javaVerifyPassedWithLegacy(const QString& javaVersionOutput, const QString& chosenPath,
                                        const QString& loginName)
{
    return {"verify_passed_with_legacy",
            {
                {"java_version_excerpt", javaVersionExcerpt(javaVersionOutput)},
                {"java_major_version", json::integerOrNull(majorJavaVersion(javaVersionOutput))},
                {"chosen_path", scrubbedHomePath(chosenPath, loginName)},
            }};
}

TrackedEvent javaVerifyFailed(int exitCode, const QString& javaVersionOutput)
{
    return {"verify_failed",
            {{"exit_code", exitCode}, {"java_version_excerpt", javaVersionExcerpt(javaVersionOutput)}}};
}

TrackedEvent verifyOfferedFollowup(const QString& firstRemediationID)
{
    return {"verify_offered_followup", {{"first_remediation_id", firstRemediationID}}};
}

}  // namespace varnel::events
