#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace varnel {

class FileSystemOperating;

// Where Homebrew puts `brew`: the native Apple Silicon prefix first, then the
// Intel one (both can exist on a Mac migrated from an Intel one).
const QStringList& homebrewBrewPaths();

// The first of those paths that exists: the `brew` the installers run and
// the prober reports.
std::optional<QString> installedBrew(const FileSystemOperating& fs);

}  // namespace varnel
