#pragma once

#include <QUrl>

#include <cstdint>
#include <vector>

namespace varnel {

struct NetworkReadinessConfig {
    std::vector<QUrl> endpoints;
    int64_t estimatedPayloadBytes = 0;  // what a full install downloads
    int slowThresholdSeconds = 0;
    int64_t maxSampleBytes = 0;         // read per endpoint at most
    double probeTimeoutSeconds = 0;
};

struct DiskReadinessConfig {
    int64_t worstCaseInstallBytes = 0;
    int64_t freeFloorBytes = 0;
    int64_t criticalFreeBytes = 0;
};

}  // namespace varnel
