#include "engine/services/ServiceError.h"

#include <cstring>

namespace varnel {

ServiceError ServiceError::fromErrno(int err, const QString& context)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(err));
    return ServiceError{context.isEmpty() ? reason : context + QStringLiteral(": ") + reason, err,
                        QStringLiteral("posix")};
}

}  // namespace varnel
