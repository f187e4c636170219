#pragma once

#include "engine/shellconfig/PresenceTest.h"

#include <QString>
#include <QStringList>

namespace varnel {

// What an append will do to a shell file: a snapshot taken when it was
// computed, shown to the user and then handed back to apply().
struct DiffPreview {
    QString path;               // the shell file
    QString backupPath;         // <path>.bak beside it
    QString originalContents;   // the file now; empty when it does not exist
    QString proposedContents;   // after the append; equal to originalContents when alreadySet
    QStringList linesAdded;     // the block, heading comment first; empty when alreadySet
    bool alreadySet = false;    // the setting is there; nothing will be written
    bool wasCreated = false;    // the file does not exist yet; the append creates it

    // How the setting was looked for, so that apply() can look again when the
    // file changed after this preview was taken.
    PresenceTest presence;

    bool operator==(const DiffPreview&) const = default;
};

}  // namespace varnel
