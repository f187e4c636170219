#include "engine/services/AppServices.h"

#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "engine/services/LiveKeyValueStore.h"
#include "engine/services/LiveProcessRunner.h"

namespace varnel {

const AppServices& AppServices::live()
{
    static const AppServices services{
        std::make_shared<LiveProcessRunner>(),
        std::make_shared<LiveHTTPFetcher>(),
        std::make_shared<LiveFileSystem>(),
        std::make_shared<LiveKeyValueStore>(),
        false,
    };
    return services;
}

}  // namespace varnel
