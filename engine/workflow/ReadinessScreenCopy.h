#pragma once

#include "engine/workflow/ReadinessResult.h"

#include <QString>

namespace varnel {

// The texts of the readiness warnings.
struct ReadinessScreenCopy {
    QString windowTitle;
    QString headline;
    QString body;
    QString continueLabel;
    QString stopLabel;
    bool operator==(const ReadinessScreenCopy&) const = default;

    static ReadinessScreenCopy network(const NetworkReadinessResult& result);
    static ReadinessScreenCopy disk(const DiskReadinessResult& result);
};

}  // namespace varnel
