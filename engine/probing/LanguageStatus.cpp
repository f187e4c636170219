#include "engine/probing/LanguageStatus.h"

namespace varnel {

std::optional<QString> LanguageStatus::caption() const
{
    switch (kind) {
    case Kind::alreadySetUp: return QStringLiteral("already set up (") + name + u')';
    case Kind::managedElsewhere:
        return QStringLiteral("managed by ") + name + QStringLiteral(" — installing ours may conflict");
    case Kind::outdated: return QStringLiteral("upgrade recommended (an outdated system install was found)");
    case Kind::absent: break;
    }
    return std::nullopt;
}

}  // namespace varnel
