#pragma once

#include "engine/probing/SystemProfile.h"

namespace varnel {

class FileSystemOperating;

// The version of the running macOS. On a Mac the kernel reports it; anywhere
// else (the development machines, the simulated Mac) the ProductVersion of
// /System/Library/CoreServices/SystemVersion.plist is read through `fs`.
// 0.0.0 when neither is available.
class MacOSVersion {
public:
    static OperatingSystemVersion current(const FileSystemOperating& fs);

    // ProductVersion from the SystemVersion.plist at `path`.
    static std::optional<OperatingSystemVersion> fromSystemVersionPlist(const FileSystemOperating& fs,
                                                                        const QString& path = systemVersionPlistPath());

    // "14.6.1" → 14, 6, 1; "15.1" → 15, 1, 0; nothing for text without a leading number.
    static std::optional<OperatingSystemVersion> parse(const QString& text);

    static QString systemVersionPlistPath()
    {
        return QStringLiteral("/System/Library/CoreServices/SystemVersion.plist");
    }
};

}  // namespace varnel
