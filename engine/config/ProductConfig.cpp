#include "engine/config/ProductConfig.h"

#include "engine/config/Products.h"

#include <QHash>

#include <mutex>

namespace varnel {

QUrl ProductURLs::article(const QString& path) const
{
    QString base = articleBase.toString();
    if (!base.endsWith(u'/'))
        base += u'/';
    QString relative = path;
    while (relative.startsWith(u'/'))
        relative.remove(0, 1);
    return QUrl(base + relative);
}

QString toString(Outcome o)
{
    switch (o) {
    case Outcome::ready: return QStringLiteral("ready");
    case Outcome::still_blocked: return QStringLiteral("still_blocked");
    case Outcome::unsure: break;
    }
    return QStringLiteral("unsure");
}

bool OfferRoute::operator==(const OfferRoute& o) const
{
    if (kind != o.kind || offerID != o.offerID)
        return false;
    if (!then || !o.then)
        return !then && !o.then;
    return *then == *o.then;
}

size_t qHash(const OfferRoute& route, size_t seed)
{
    size_t h = ::qHash(static_cast<int>(route.kind), seed);
    h = ::qHash(route.offerID, h);
    return route.then ? qHash(*route.then, h) : h;
}

SetupProduct ProductConfig::setupProduct() const
{
    return SetupProduct{displayName,      npsSubmittedKey(), shellMarker(), spineProvider, verifier,
                        sharedDomainCopy, spinePolicy,       prober,        spineCopy,     stageCatalog};
}

namespace {
std::mutex& currentLock()
{
    static std::mutex lock;
    return lock;
}
std::shared_ptr<const ProductConfig>& currentStorage()
{
    static std::shared_ptr<const ProductConfig> value;
    return value;
}
}  // namespace

std::shared_ptr<const ProductConfig> ProductConfig::current()
{
    std::lock_guard guard(currentLock());
    auto& value = currentStorage();
    if (!value)
        value = std::make_shared<const ProductConfig>(products::javaMedic());
    return value;
}

void ProductConfig::setCurrent(ProductConfig config)
{
    auto next = std::make_shared<const ProductConfig>(std::move(config));
    std::lock_guard guard(currentLock());
    currentStorage() = std::move(next);
}

}  // namespace varnel
