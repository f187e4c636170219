#pragma once

#include "engine/services/ProcessRunning.h"

#include <QString>
#include <QStringList>

#include <optional>

// Small helpers the probes share.
namespace varnel::probing {

// Runs a probe's program to completion. A program that cannot start is not
// the user's problem: the reason goes to the debug log and the probe gets
// nothing, from which it gives its empty answer.
std::optional<ProcessResult> runProbe(const ProcessRunning& process, const QString& executable,
                                      const QStringList& arguments);

// The lines of a program's output, without empty ones (a trailing carriage
// return is dropped too).
QStringList nonEmptyLines(const QString& text);

// `text` without leading and trailing spaces and tabs (newlines are kept).
QString trimmedSpacesAndTabs(const QString& text);

// The value a login shell echoed after `marker`: the last output line that
// carries the marker decides, so whatever the user's login files print before
// it is ignored. Nothing when no line has the marker or the value is empty.
std::optional<QString> valueAfterLastMarker(const QString& output, const QString& marker);

}  // namespace varnel::probing
