#pragma once

#include "engine/probing/SystemProfile.h"

#include <QString>

#include <optional>
#include <vector>

namespace varnel {

// The JDKs of `/usr/libexec/java_home -V` (which prints its listing on
// standard error), in listing order. Lines that are not JDK lines (the
// heading, the trailing default home) are skipped.
std::vector<JDKInfo> parseJavaHomeListing(const QString& text);

// The major version in a `version "…"` text: "21.0.2" gives 21, "17" gives 17,
// and the old numbering "1.8.0_292" gives 8. Nothing when there is no version.
std::optional<int> majorJavaVersion(const QString& text);

}  // namespace varnel
