#pragma once

#include "engine/shellconfig/FileAppendWriter.h"

namespace varnel {

// The Java block of ~/.zprofile, previewed for the user before it is written.
class ZprofileWriter {
public:
    ZprofileWriter(const FileSystemOperating& fs, ShellMarker marker);

    const FileAppendWriter& writer() const { return writer_; }

    // The block never names a JDK: JAVA_HOME follows whatever java_home
    // selects when the shell starts. Writes nothing. An export that is
    // commented out or preceded by other words on its line does not count
    // as present; an indented one does.
    DiffPreview javaHomePreview(bool includePath) const;

    Expected<DiffPreview, WriteError> apply(const DiffPreview& preview) const { return writer_.apply(preview); }

private:
    FileAppendWriter writer_;
};

}  // namespace varnel
