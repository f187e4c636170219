#pragma once

#include "engine/services/FileSystemOperating.h"

namespace varnel {

// Gives a Mac the zsh set-up the other tools rely on (~/.zprofile, ~/.zshrc, ~/.env).
class ShellConfigurator {
public:
    explicit ShellConfigurator(const FileSystemOperating& fs) : fs_(fs) {}

    // Whether the shell files already carry the product's set-up.
    bool isConfigured() const;

private:
    const FileSystemOperating& fs_;
};

}  // namespace varnel
