#pragma once

#include "engine/config/ProductConfig.h"
#include "engine/remediation/SetupRemediation.h"
#include "engine/services/Expected.h"
#include "engine/services/FileSystemOperating.h"
#include "tools/varnel-doctor/DoctorCommandLine.h"
#include "tools/varnel-doctor/DoctorProbe.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>

#include <map>
#include <vector>

namespace varnel {

// The fixes varnel-doctor may run: the ones the stages' buttons offer on this
// Mac now, and the ordered list the command line asks for out of them.
class DoctorFixPlan {
public:
    // What the workflow screen would offer for the findings, stage by stage:
    // each stage's actions, nothing behind the Homebrew gate, and for the
    // stages with a layout of their own every fix their ticks could queue
    // (the languages' installs, the skills and MCP servers not yet there,
    // the Git steps still to do). Each id once.
    static std::vector<SetupRemediation> offered(const ProductConfig& config, const DoctorProbe::Findings& findings,
                                                 const FileSystemOperating& fs);

    // The sentence shown under a fix: the product's own caption for it when
    // it has one, else the fix's caption; empty when there is none.
    static QString caption(const ProductConfig& config, const SetupRemediation& remediation);

    // One line per fix ("id<TAB>title<TAB>caption") or a JSON array of objects.
    static QByteArray listText(const ProductConfig& config, const std::vector<SetupRemediation>& fixes);
    static QJsonArray listJson(const ProductConfig& config, const std::vector<SetupRemediation>& fixes);

    // The fixes to run, in order: the ids as given, then the languages' installs
    // as the languages stage queues them, the skills and the MCP servers (with
    // `apiKeys` by server slug) in catalogue order. Refused, with the message
    // to print, when anything asked for is not among `offered` or lacks what it needs.
    static Expected<std::vector<SetupRemediation>, QString> make(const DoctorCommandLine& line,
                                                                 const std::vector<SetupRemediation>& offered,
                                                                 const std::map<QString, QString>& apiKeys);
};

}  // namespace varnel
