#pragma once

#include <QString>

#include <optional>

namespace varnel {

class ProcessRunning;

// Where Apple's Command Line Tools (or Xcode) live: the active developer directory.
class XcodeCLTProbe {
public:
    explicit XcodeCLTProbe(const ProcessRunning& process) : process_(process) {}

    // `xcode-select -p` when it succeeds with a path; nothing otherwise. Blocking.
    std::optional<QString> developerDirectory() const;

private:
    const ProcessRunning& process_;
};

}  // namespace varnel
