#pragma once

#include "engine/services/Expected.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace varnel {

// The arguments of varnel-doctor, read and checked before anything looks at
// the Mac: a value that could not be used as given (a line break, an e-mail
// address that is not one, a key for a server that was not asked for) is
// refused here, with the message to print.
class DoctorCommandLine {
public:
    enum class Mode { report, listFixes, fix, help };

    Mode mode = Mode::report;
    bool json = false;
    bool raw = false;        // --fix: the transcript unfiltered
    bool yes = false;        // --fix: approved without asking
    bool keepGoing = false;  // --fix: a failure does not stop the fixes after it
    QStringList ids;         // --fix: remediation ids, in the order given
    std::optional<QString> gitName;
    std::optional<QString> gitEmail;
    std::optional<QString> projectFolder;
    QStringList languages;  // raw values: "python", "rust", …
    QStringList skills;     // skill slugs
    QStringList mcp;        // MCP server slugs
    // Where each API key comes from: the variable's name, or standard input.
    std::vector<std::pair<QString, QString>> mcpKeyEnv;  // (server slug, variable)
    QStringList mcpKeyStdin;                             // server slugs, in the order their lines come

    static Expected<DoctorCommandLine, QString> parse(const QStringList& arguments);
    static QByteArray usage();

    // Whether a value given for the Mac would break the line it goes on.
    static bool breaksLine(const QString& value);
};

}  // namespace varnel
