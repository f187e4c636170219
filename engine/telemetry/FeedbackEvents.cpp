#include "engine/telemetry/FeedbackEvents.h"

#include "engine/telemetry/EventText.h"

namespace varnel::events {

namespace {
}  // namespace

TrackedEvent npsShown() { return {"nps_shown", Json::object()}; }

TrackedEvent npsDismissed() { return {"nps_dismissed", Json::object()}; }

TrackedEvent npsSubmitted(int score, const QString& reasonText)
{
    return {"nps_submitted",
            {{"score", score}, {"reason", json::stringOrNull(trimmedOrNull(reasonText, 500))}}};
}

TrackedEvent buildIntentPromptShown(const QString& surface)
{
    return {"build_intent_prompt_shown", {{"surface", surface}}};
}

TrackedEvent buildIntentOptedIn(const QString& surface) { return {"build_intent_opted_in", {{"surface", surface}}}; }

TrackedEvent offerShown(const QString& offerID, const QString& offerSurface, const QString& eligibilityReason,
                        const std::optional<QString>& nextStep, const std::optional<QString>& goal)
{
    return {"offer_shown",
            {
                {"offer_id", offerID},
                {"offer_surface", offerSurface},
                {"eligibility_reason", eligibilityReason},
                {"next_step", json::stringOrNull(nextStep)},
                {"goal", json::stringOrNull(goal)},
            }};
}

TrackedEvent offerAction(const QString& offerID, const QString& offerSurface, const QString& action,
                         const std::optional<QString>& result, const std::optional<QString>& nextStep)
{
    return {"offer_action",
            {
                {"offer_id", offerID},
                {"offer_surface", offerSurface},
                {"action", action},
                {"result", json::stringOrNull(result)},
                {"next_step", json::stringOrNull(nextStep)},
            }};
}

}  // namespace varnel::events
