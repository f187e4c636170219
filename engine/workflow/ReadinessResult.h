#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace varnel {

enum class NetworkVerdict { ok, slow, unreachable, unmeasured };
enum class DiskVerdict { ok, low, critical, unmeasured };
QString toString(NetworkVerdict verdict);
QString toString(DiskVerdict verdict);

struct NetworkReadinessResult {
    NetworkVerdict verdict = NetworkVerdict::unmeasured;
    std::optional<double> downMbps;
    std::optional<int64_t> estimatedInstallSeconds;
    int endpointsReachable = 0;
    int endpointsTotal = 0;
    bool operator==(const NetworkReadinessResult&) const = default;

    // Slow and unreachable connections are worth a warning.
    bool needsWarning() const { return verdict == NetworkVerdict::slow || verdict == NetworkVerdict::unreachable; }
};

struct DiskReadinessResult {
    DiskVerdict verdict = DiskVerdict::unmeasured;
    std::optional<int64_t> availableBytes;
    int64_t worstCaseBytes = 0;
    int64_t headroomBytes = 0;
    bool operator==(const DiskReadinessResult&) const = default;

    bool needsWarning() const { return verdict == DiskVerdict::low || verdict == DiskVerdict::critical; }
};

}  // namespace varnel
