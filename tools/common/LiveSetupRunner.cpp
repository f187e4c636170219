#include "tools/common/LiveSetupRunner.h"

#include "engine/probing/HomebrewLocations.h"

namespace varnel {

SetupRemediationRunner liveSetupRunner(const AppServices& services, const ProductConfig& product,
                                       std::optional<QString> brewPath)
{
    if (!brewPath)
        brewPath = installedBrew(*services.fs);
    return SetupRemediationRunner(std::move(brewPath), {services.processRunner, services.fs, services.http},
                                  {product.displayName, product.shellMarker(), product.cacheDirName});
}

}  // namespace varnel
