#pragma once

#include "engine/services/HTTPFetching.h"
#include "engine/workflow/ReadinessConfig.h"
#include "engine/workflow/ReadinessResult.h"

#include <stop_token>
#include <vector>

namespace varnel {

// Measures whether the connection is fast enough for a full install: samples
// every endpoint at once (a ranged read of at most maxSampleBytes within
// probeTimeoutSeconds) and judges by the best of them.
class NetworkReadinessProbe {
public:
    struct EndpointSample {
        enum class Kind { throughput, responded, down, timeout };
        Kind kind = Kind::timeout;
        double bytesPerSecond = 0;  // throughput
        bool operator==(const EndpointSample&) const = default;
    };

    explicit NetworkReadinessProbe(const HTTPFetching& http) : http_(http) {}

    // Blocking; never fails.
    NetworkReadinessResult measure(const NetworkReadinessConfig& config, std::stop_token stop = {}) const;

    EndpointSample sample(const QUrl& endpoint, const NetworkReadinessConfig& config, std::stop_token stop) const;
    static NetworkReadinessResult judge(const std::vector<EndpointSample>& samples,
                                        const NetworkReadinessConfig& config);

private:
    const HTTPFetching& http_;
};

// The disk verdict for the bytes available on the home folder's volume.
DiskReadinessResult diskReadiness(std::optional<int64_t> availableBytes, const DiskReadinessConfig& config);

}  // namespace varnel
