#pragma once

#include "engine/telemetry/TrackedEvent.h"

#include <QString>

#include <optional>

// Usage events of the completion screens: the recommendation score, the
// build-intent prompt and the offers.
namespace varnel::events {

// "nps_shown" / "nps_dismissed"
TrackedEvent npsShown();
TrackedEvent npsDismissed();
// "nps_submitted": the reason trimmed, cut to 500 characters, null when empty.
TrackedEvent npsSubmitted(int score, const QString& reasonText);

// "build_intent_prompt_shown" / "build_intent_opted_in": surface "post_fix",
// "modern_home_set" or "no_errors_found".
TrackedEvent buildIntentPromptShown(const QString& surface);
TrackedEvent buildIntentOptedIn(const QString& surface);

// "offer_shown"
TrackedEvent offerShown(const QString& offerID, const QString& offerSurface, const QString& eligibilityReason,
                        const std::optional<QString>& nextStep, const std::optional<QString>& goal);
// "offer_action": action "selected" or "dismissed"; result e.g. "interest".
TrackedEvent offerAction(const QString& offerID, const QString& offerSurface, const QString& action,
                         const std::optional<QString>& result, const std::optional<QString>& nextStep);

}  // namespace varnel::events
