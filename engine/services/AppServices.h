#pragma once

#include "engine/services/FileSystemOperating.h"
#include "engine/services/HTTPFetching.h"
#include "engine/services/KeyValueStoring.h"
#include "engine/services/ProcessRunning.h"

#include <memory>

namespace varnel {

// The platform services every part that touches the machine receives.
struct AppServices {
    std::shared_ptr<const ProcessRunning> processRunner;
    std::shared_ptr<const HTTPFetching> http;
    std::shared_ptr<const FileSystemOperating> fs;
    std::shared_ptr<KeyValueStoring> store;
    // When true the root view does not probe the Mac and the setup flow keeps
    // the profile it was given and skips the readiness checks.
    bool isFixtureMode = false;

    // The live services, built once.
    static const AppServices& live();
};

}  // namespace varnel
