#pragma once

#include "engine/config/ProductConfig.h"
#include "engine/probing/SystemProfile.h"
#include "engine/workflow/SetupTypes.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace varnel {

// What the diagnosis screen would show for one Mac, with the profile facts
// support asks about first. Built from the same profile, probe bundle and
// workflow the setup flow model produces; renders as text for people and as
// JSON (keys documented in the README) for scripts.
class DoctorReport {
public:
    struct Stage {
        QString domain;
        DomainPlacement placement = DomainPlacement::primary;
        SetupDiagnosis diagnosis;
        QStringList actionIDs;
        // Its line in the diagnosis summary; none for stages the summary leaves out.
        std::optional<QString> summaryLine;
    };

    static DoctorReport from(const ProductConfig& config, const SystemProfile& profile,
                             const SetupProbeBundle& probes, const std::optional<SetupWorkflow>& workflow);

    const SystemProfile& profile() const { return profile_; }
    const std::vector<Stage>& stages() const { return stages_; }
    // The lines of the diagnosis summary, in workflow order.
    const QStringList& summaryLines() const { return summaryLines_; }

    // Every primary stage is ready (and there is a workflow at all).
    bool ready() const;
    // The process's exit status: 0 when ready, 1 otherwise.
    int exitCode() const { return ready() ? 0 : 1; }

    QJsonObject toJson() const;
    QByteArray toJsonText() const;
    QString toText() const;

    // "15.2" or "13.7.2"; empty for a version that could not be read (0.0.0).
    static QString versionText(const OperatingSystemVersion& version);
    // One line on Java: the JDKs java_home and the JVM folder know, and JAVA_HOME.
    static QString javaSummary(const ProbeBundle& java);

private:
    QString productName_;
    QString appID_;
    QString summaryHeadline_;
    SystemProfile profile_;
    SetupProbeBundle probes_;
    bool hasWorkflow_ = false;
    std::vector<Stage> stages_;
    QStringList summaryLines_;
};

}  // namespace varnel
