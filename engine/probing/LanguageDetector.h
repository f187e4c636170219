#pragma once

#include "engine/probing/LanguageStatus.h"
#include "engine/probing/VarnelLanguage.h"

namespace varnel {

class FileSystemOperating;

// Finds out from well-known paths whether a language is installed and who
// manages it. Runs no program; a version manager's folder beats a system or
// Homebrew copy.
class LanguageDetector {
public:
    explicit LanguageDetector(const FileSystemOperating& fs) : fs_(fs) {}

    LanguageStatus detect(VarnelLanguage language) const;

private:
    LanguageStatus python() const;
    LanguageStatus node() const;
    LanguageStatus java() const;
    LanguageStatus ruby() const;
    LanguageStatus rust() const;

    // `~/relative` can be listed and has at least one entry.
    bool populated(const QString& relative) const;
    // Something exists at `~/relative`.
    bool present(const QString& relative) const;
    bool exists(const QString& absolute) const;

    const FileSystemOperating& fs_;
};

}  // namespace varnel
