#include "engine/services/Background.h"

namespace varnel {

QThreadPool& backgroundPool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(32);
        p->setExpiryTimeout(30'000);
        return p;
    }();
    return *pool;
}

}  // namespace varnel
