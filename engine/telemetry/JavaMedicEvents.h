#pragma once

#include "engine/probing/SystemProfile.h"
#include "engine/telemetry/TrackedEvent.h"

#include <QString>

// Usage events of the Java medic's diagnose flow.
namespace varnel::events {

// "diagnosis_reached". `diagnosis` and `reason` are the diagnosis's telemetry
// identity ("D1_NoJDK" and "no JDK installed", …; an "unknown" reason is cut
// to 120 characters); the JDKs and JAVA_HOME come from the probed Java state,
// with paths scrubbed of the user's name.
TrackedEvent javaDiagnosisReached(const QString& diagnosis, const QString& reason, const ProbeBundle& javaState,
                                  const QString& loginName);

// "chooser_shown": screen "d1" or "d3"; the major version offered by default.
TrackedEvent chooserShown(const QString& screen, int defaultOffered = 25);

// "verify_passed" from the output of `java -version`.
TrackedEvent javaVerifyPassed(const QString& javaVersionOutput);
// "verify_passed_with_legacy": the kept legacy Java's home, scrubbed.
TrackedEvent javaVerifyPassedWithLegacy(const QString& javaVersionOutput, const QString& chosenPath,
                                        const QString& loginName);
// "verify_failed"
TrackedEvent javaVerifyFailed(int exitCode, const QString& javaVersionOutput);
// "verify_offered_followup"
TrackedEvent verifyOfferedFollowup(const QString& firstRemediationID);

}  // namespace varnel::events
