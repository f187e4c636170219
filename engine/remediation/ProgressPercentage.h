#pragma once

#include <QString>

#include <optional>

namespace varnel {

// How far along an installer says it is, when its line ends with a
// percentage: softwareupdate's "Downloading: 65.02%", the "#### 45.2%" bars
// of curl and Homebrew. A percentage inside a line ("Counting objects: 100%
// (753/753), done.") is a step's own tally, not the install's progress.
std::optional<double> progressPercentage(const QString& line);

}  // namespace varnel
