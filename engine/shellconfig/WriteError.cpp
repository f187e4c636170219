#include "engine/shellconfig/WriteError.h"

namespace varnel {

QString WriteError::localizedDescription() const
{
    const QString prefix = kind == Kind::backupFailed ? QStringLiteral("Couldn't write backup file: ")
                                                      : QStringLiteral("Couldn't write file: ");
    return prefix + underlying.localizedDescription();
}

}  // namespace varnel
