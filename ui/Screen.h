#pragma once

#include "engine/config/ProductConfig.h"

#include <QString>

#include <optional>

namespace varnel {

// How the staged audit was entered (raw values go to telemetry).
enum class AuditEntry { heuristic, buildIntent, nextStepCourse, nextStepBuildSoftware, nextStepNotSure };
QString toString(AuditEntry entry);

enum class BuildIntentSurface { postFix, modernHomeSet, noErrorsFound };
QString toString(BuildIntentSurface surface);

struct CompletionSurface {
    std::optional<BuildIntentSurface> prompt;  // absent: excluded
    static CompletionSurface excluded() { return {}; }
    static CompletionSurface promptFor(BuildIntentSurface s) { return {s}; }
    bool operator==(const CompletionSurface&) const = default;
};

struct VarnelAuditContext {
    QString nextStep;
    std::optional<QString> goal;
    std::optional<OfferRoute> thenRoute;
    bool operator==(const VarnelAuditContext&) const = default;
};

struct AuditContext {
    AuditEntry entry = AuditEntry::heuristic;
    CompletionSurface completionSurface;
    std::optional<VarnelAuditContext> varnel;
    bool operator==(const AuditContext&) const = default;
};

// A destination of the navigation stack, equal by case and payload.
struct Screen {
    enum class Kind { diagnose, setupWorkflow, audit, nextStep, contentOffer, guidedHelpOffer, aiCodingOffer };
    Kind kind = Kind::setupWorkflow;
    std::optional<AuditContext> auditContext;  // audit
    QString offerID;                           // contentOffer

    static Screen diagnose() { return {Kind::diagnose, {}, {}}; }
    static Screen setupWorkflow() { return {Kind::setupWorkflow, {}, {}}; }
    static Screen audit(AuditContext context) { return {Kind::audit, std::move(context), {}}; }
    static Screen nextStep() { return {Kind::nextStep, {}, {}}; }
    static Screen contentOffer(QString offerID) { return {Kind::contentOffer, {}, std::move(offerID)}; }
    static Screen guidedHelpOffer() { return {Kind::guidedHelpOffer, {}, {}}; }
    static Screen aiCodingOffer() { return {Kind::aiCodingOffer, {}, {}}; }

    bool operator==(const Screen&) const = default;
};

size_t qHash(const AuditContext& context, size_t seed = 0);
size_t qHash(const Screen& screen, size_t seed = 0);

}  // namespace varnel
