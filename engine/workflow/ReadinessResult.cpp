#include "engine/workflow/ReadinessResult.h"

namespace varnel {

QString toString(NetworkVerdict verdict)
{
    switch (verdict) {
    case NetworkVerdict::ok: return QStringLiteral("ok");
    case NetworkVerdict::slow: return QStringLiteral("slow");
    case NetworkVerdict::unreachable: return QStringLiteral("unreachable");
    case NetworkVerdict::unmeasured: break;
    }
    return QStringLiteral("unmeasured");
}

QString toString(DiskVerdict verdict)
{
    switch (verdict) {
    case DiskVerdict::ok: return QStringLiteral("ok");
    case DiskVerdict::low: return QStringLiteral("low");
    case DiskVerdict::critical: return QStringLiteral("critical");
    case DiskVerdict::unmeasured: break;
    }
    return QStringLiteral("unmeasured");
}

}  // namespace varnel
