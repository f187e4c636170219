#include "ui/Screen.h"

#include <QHash>

namespace varnel {

QString toString(AuditEntry entry)
{
    switch (entry) {
    case AuditEntry::heuristic: return QStringLiteral("heuristic");
    case AuditEntry::buildIntent: return QStringLiteral("build_intent");
    case AuditEntry::nextStepCourse: return QStringLiteral("next_step_course");
    case AuditEntry::nextStepBuildSoftware: return QStringLiteral("next_step_build_software");
    case AuditEntry::nextStepNotSure: break;
    }
    return QStringLiteral("next_step_not_sure");
}

QString toString(BuildIntentSurface surface)
{
    switch (surface) {
    case BuildIntentSurface::postFix: return QStringLiteral("post_fix");
    case BuildIntentSurface::modernHomeSet: return QStringLiteral("modern_home_set");
    case BuildIntentSurface::noErrorsFound: break;
    }
    return QStringLiteral("no_errors_found");
}

size_t qHash(const AuditContext& context, size_t seed)
{
    size_t h = ::qHash(static_cast<int>(context.entry), seed);
    h = ::qHash(context.completionSurface.prompt ? static_cast<int>(*context.completionSurface.prompt) + 1 : 0, h);
    if (context.varnel) {
        h = ::qHash(context.varnel->nextStep, h);
        h = ::qHash(context.varnel->goal.value_or(QString()), h);
        if (context.varnel->thenRoute)
            h = qHash(*context.varnel->thenRoute, h);
    }
    return h;
}

size_t qHash(const Screen& screen, size_t seed)
{
    // The case's declaration order feeds the hash first, then the payload.
    size_t h = ::qHash(static_cast<int>(screen.kind), seed);
    if (screen.auditContext)
        h = qHash(*screen.auditContext, h);
    return ::qHash(screen.offerID, h);
}

}  // namespace varnel
