#include "engine/telemetry/FeedbackEvents.h"

#include "engine/telemetry/EventText.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

TrackedEvent npsShown() { return {s("nps_shown"), {}}; }

TrackedEvent npsDismissed() { return {s("nps_dismissed"), {}}; }

TrackedEvent npsSubmitted(int score, const QString& reasonText)
{
    return {s("nps_submitted"),
            {{s("score"), score}, {s("reason"), JSONValue::stringOrNull(trimmedOrNull(reasonText, 500))}}};
}

TrackedEvent goalSelected(const QString& goal, const QString& detailText, int detailMaxChars, const QString& surface)
{
    return {s("goal_selected"),
            {
                {s("goal"), goal},
                {s("detail"), JSONValue::stringOrNull(trimmedOrNull(detailText, detailMaxChars))},
                {s("surface"), surface},
            }};
}

TrackedEvent nextStepSelected(const QString& nextStep, Outcome outcome, const std::optional<QString>& goal,
                              const QString& surface)
{
    return {s("next_step_selected"),
            {
                {s("next_step"), nextStep},
                {s("outcome"), toString(outcome)},
                {s("goal"), JSONValue::stringOrNull(goal)},
                {s("surface"), surface},
            }};
}

TrackedEvent buildIntentPromptShown(const QString& surface)
{
    return {s("build_intent_prompt_shown"), {{s("surface"), surface}}};
}

TrackedEvent buildIntentOptedIn(const QString& surface) { return {s("build_intent_opted_in"), {{s("surface"), surface}}}; }

TrackedEvent offerShown(const QString& offerID, const QString& offerSurface, const QString& eligibilityReason,
                        const std::optional<QString>& nextStep, const std::optional<QString>& goal)
{
    return {s("offer_shown"),
            {
                {s("offer_id"), offerID},
                {s("offer_surface"), offerSurface},
                {s("eligibility_reason"), eligibilityReason},
                {s("next_step"), JSONValue::stringOrNull(nextStep)},
                {s("goal"), JSONValue::stringOrNull(goal)},
            }};
}

TrackedEvent offerAction(const QString& offerID, const QString& offerSurface, const QString& action,
                         const std::optional<QString>& result, const std::optional<QString>& nextStep)
{
    return {s("offer_action"),
            {
                {s("offer_id"), offerID},
                {s("offer_surface"), offerSurface},
                {s("action"), action},
                {s("result"), JSONValue::stringOrNull(result)},
                {s("next_step"), JSONValue::stringOrNull(nextStep)},
            }};
}

}  // namespace varnel::events
