#include "engine/services/HTTPFetching.h"

namespace varnel {

QByteArray HttpResponse::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

}  // namespace varnel
