#include "engine/remediation/ProgressPercentage.h"

#include <QRegularExpression>

namespace varnel {

std::optional<double> progressPercentage(const QString& line)
{
    static const QRegularExpression pattern(QStringLiteral("(?:^|[\\s:#=])(\\d{1,3}(?:\\.\\d+)?)%\\s*$"));
    const auto match = pattern.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    const double value = match.captured(1).toDouble();
    if (value > 100.0)
        return std::nullopt;
    return value;
}

}  // namespace varnel
