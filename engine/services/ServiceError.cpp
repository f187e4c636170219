#include "engine/services/ServiceError.h"

#include <cerrno>
#include <cstring>

namespace varnel {

ServiceError ServiceError::fromErrno(int err, const QString& context)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(err));
    return ServiceError{context.isEmpty() ? reason : context + QStringLiteral(": ") + reason, err,
                        QStringLiteral("posix")};
}

ServiceError ServiceError::canceled() { return fromErrno(ECANCELED); }

bool ServiceError::isCanceled() const { return domain == QStringLiteral("posix") && code == ECANCELED; }

}  // namespace varnel
