#include "engine/workflow/ReadinessScreenCopy.h"

#include <algorithm>
#include <cmath>

namespace varnel {

namespace {
// Whole decimal units, rounded, at least 1.
QString atLeastOne(double value) { return QString::number(std::max<long long>(1, std::llround(value))); }
}  // namespace

ReadinessScreenCopy ReadinessScreenCopy::network(const NetworkReadinessResult& result)
{
    ReadinessScreenCopy copy;
    copy.windowTitle = QStringLiteral("Your connection");
    copy.continueLabel = QStringLiteral("Continue now");
    copy.stopLabel = QStringLiteral("Stop and try later");
    if (result.verdict == NetworkVerdict::unreachable) {
        copy.headline = QStringLiteral("We can't reach the servers needed to install");
        copy.body = QStringLiteral("The Apple and Homebrew download servers aren't responding right now. You can still "
                                   "try, but it may fail partway. Checking your internet connection first is "
                                   "recommended.");
    } else {
        const QString minutes =
            result.estimatedInstallSeconds ? atLeastOne(*result.estimatedInstallSeconds / 60.0) : QStringLiteral("10");
        copy.headline = QStringLiteral("Slow Internet Connection");
        copy.body = QStringLiteral("Setting up your Mac downloads several hundred megabytes from Apple and Homebrew. On "
                                   "this connection that will take about ") +
                    minutes +
                    QStringLiteral(" minutes. You can continue now, or stop and try again later when your connection "
                                   "is faster. Nothing has changed on your Mac yet.");
    }
    return copy;
}

ReadinessScreenCopy ReadinessScreenCopy::disk(const DiskReadinessResult& result)
{
    ReadinessScreenCopy copy;
    copy.windowTitle = QStringLiteral("Your disk space");
    copy.continueLabel = QStringLiteral("Continue anyway");
    copy.stopLabel = QStringLiteral("Stop and free up space");
    const bool critical = result.verdict == DiskVerdict::critical;
    const QString available = result.availableBytes ? atLeastOne(*result.availableBytes / 1e9)
                                                    : (critical ? QStringLiteral("a few") : QStringLiteral("a little"));
    if (critical) {
        copy.headline = QStringLiteral("Your Mac is almost out of space");
        copy.body = QStringLiteral("Your Mac has only about ") + available +
                    QStringLiteral(" GB free. Installing new software now is likely to fail partway and may leave "
                                   "your Mac unstable. Freeing up space first is strongly recommended.");
    } else {
        copy.headline = QStringLiteral("Low on disk space");
        copy.body = QStringLiteral("Setting up your Mac can add up to about ") + atLeastOne(result.worstCaseBytes / 1e9) +
                    QStringLiteral(" GB if you install everything we recommend. Your Mac has about ") + available +
                    QStringLiteral(" GB free right now. You can continue and choose fewer items, free up some space "
                                   "first, or stop and come back later. Nothing has changed on your Mac yet.");
    }
    return copy;
}

}  // namespace varnel
