#pragma once

#include "engine/workflow/SetupFlowModel.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class QWidget;

namespace varnel {

class VarnelRootView;

// A journey through the real window, read from a small script: one command a
// line, words split at blanks, "double quotes" keep blanks, $NAME and ${NAME}
// are taken from the environment, # starts a comment.
//
//   click ID                       press the visible, enabled button ID
//   tick ID / untick ID            check or uncheck the box ID (by clicking it)
//   type ID TEXT                   put TEXT into the field ID as if typed (never printed)
//   wait-for ID                    until the widget ID is visible
//   wait-profile                   until the start-up probe has the Mac's profile
//   expect-step NAME…              until the workflow, no longer busy, shows the step
//                                  ("stage clt", "keep going gate", "outcome", "nps")
//   wait-running                   until a progress screen shows its program's output
//   wait-progress [cancel-after S] until the progress screen ends (pressing Cancel after S s)
//   choose-folder PATH             the answer to the next folder chooser
//   read ID                        print the texts shown inside ID ("read ID: …")
//   shot NAME "CAPTION"            save the window as NN-NAME.png in the shots folder
//   timeout S                      how long each later command may wait (default 120 s)
//
// Each command's wall time is printed; at the end, the longest the UI thread
// kept a 10 ms heartbeat waiting, and during which command.
class JourneyScript {
public:
    struct Command {
        int line = 0;
        QString text;  // as written, for the report
        QStringList words;
    };

    JourneyScript(QWidget& window, VarnelRootView& root, QString shotsDir);

    // The commands of a script, or an error naming the line that is wrong.
    static std::optional<std::vector<Command>> parse(const QString& script, QString* error);

    // Runs the commands in order; false at the first that fails.
    bool run(const std::vector<Command>& commands);

    // A workflow step as scripts and the driver's reports name it
    // ("stage clt", "keep going gate", "outcome").
    static QString stepName(const SetupFlowModel::Step& step);

private:
    bool execute(const Command& command);
    bool click(const QString& id);
    bool tick(const QString& id, bool checked);
    bool type(const QString& id, const QString& text);
    bool waitForWidget(const QString& id);
    bool expectStep(const QString& name);
    bool waitRunning();
    bool waitProgress(std::optional<int> cancelAfterSeconds);
    void chooseFolder(const QString& path);
    bool read(const QString& id);
    bool shot(const QString& name, const QString& caption);

    QString currentStepName() const;
    bool waitFor(const std::function<bool()>& condition) const;
    void beat();

    QWidget& window_;
    VarnelRootView& root_;
    QString shotsDir_;
    int timeoutMs_ = 120'000;
    int shotCount_ = 0;

    QTimer heartbeat_;
    QElapsedTimer sinceBeat_;
    qint64 longestStallMs_ = 0;
    QString longestStallDuring_;
    QString current_;
};

}  // namespace varnel
