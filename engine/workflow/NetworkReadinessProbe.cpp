#include "engine/workflow/NetworkReadinessProbe.h"

#include "engine/services/Background.h"

#include <cmath>

namespace varnel {

NetworkReadinessResult NetworkReadinessProbe::measure(const NetworkReadinessConfig& config, std::stop_token stop) const
{
    if (config.endpoints.empty())
        return {NetworkVerdict::unmeasured, std::nullopt, std::nullopt, 0, 0};
    const auto samples =
        concurrentMap(config.endpoints, [&](const QUrl& endpoint) { return sample(endpoint, config, stop); });
    return judge(samples, config);
}

NetworkReadinessProbe::EndpointSample NetworkReadinessProbe::sample(const QUrl& endpoint,
                                                                    const NetworkReadinessConfig& config,
                                                                    std::stop_token stop) const
{
    HttpRequest request;
    request.url = endpoint;
    request.timeoutSeconds = config.probeTimeoutSeconds;
    request.headers = {{"Range", "bytes=0-" + QByteArray::number(config.maxSampleBytes - 1)},
                       {"Cache-Control", "no-cache"}};
    const auto result = http_.sampleThroughput(request, config.maxSampleBytes, config.probeTimeoutSeconds, stop);
    if (result) {
        if (result->bytesReceived > 0 && result->elapsedSeconds > 0)
            return {EndpointSample::Kind::throughput, result->bytesReceived / result->elapsedSeconds};
        return {EndpointSample::Kind::responded, 0};
    }
    switch (result.error().kind) {
    case HttpErrorKind::cannotFindHost:
    case HttpErrorKind::cannotConnectToHost:
    case HttpErrorKind::notConnectedToInternet:
    case HttpErrorKind::networkConnectionLost:
        return {EndpointSample::Kind::down, 0};
    default:
        return {EndpointSample::Kind::timeout, 0};
    }
}

NetworkReadinessResult NetworkReadinessProbe::judge(const std::vector<EndpointSample>& samples,
                                                    const NetworkReadinessConfig& config)
{
    double best = 0;
    int reachable = 0, down = 0;
    for (const EndpointSample& s : samples) {
        if (s.kind == EndpointSample::Kind::throughput)
            best = std::max(best, s.bytesPerSecond);
        if (s.kind == EndpointSample::Kind::throughput || s.kind == EndpointSample::Kind::responded)
            ++reachable;
        if (s.kind == EndpointSample::Kind::down)
            ++down;
    }
    NetworkReadinessResult result;
    result.endpointsReachable = reachable;
    result.endpointsTotal = static_cast<int>(samples.size());
    if (best > 0) {
        const auto seconds = static_cast<int64_t>(std::llround(config.estimatedPayloadBytes / best));
        result.estimatedInstallSeconds = seconds;
        result.verdict = seconds > config.slowThresholdSeconds ? NetworkVerdict::slow : NetworkVerdict::ok;
        result.downMbps = best * 8 / 1'000'000;
    } else {
        const bool allDown = reachable == 0 && down == result.endpointsTotal;
        result.verdict = allDown ? NetworkVerdict::unreachable : NetworkVerdict::unmeasured;
    }
    return result;
}

DiskReadinessResult diskReadiness(std::optional<int64_t> availableBytes, const DiskReadinessConfig& config)
{
    DiskReadinessResult result;
    result.availableBytes = availableBytes;
    result.worstCaseBytes = config.worstCaseInstallBytes;
    result.headroomBytes = config.freeFloorBytes;
    if (!availableBytes)
        result.verdict = DiskVerdict::unmeasured;
    else if (*availableBytes < config.criticalFreeBytes)
        result.verdict = DiskVerdict::critical;
    else if (*availableBytes < config.worstCaseInstallBytes + config.freeFloorBytes)
        result.verdict = DiskVerdict::low;
    else
        result.verdict = DiskVerdict::ok;
    return result;
}

}  // namespace varnel
