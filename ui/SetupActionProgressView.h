#pragma once

#include "engine/remediation/InstallOutputFilter.h"
#include "engine/remediation/SetupRemediationRunner.h"
#include "engine/telemetry/TrackedEvent.h"
#include "engine/workflow/SetupFlowModel.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace varnel {

class AppEnvironment;

// Runs a batch of setup actions one after another, shows what they print as
// it arrives, and reports one outcome to its creator: on Continue once the
// batch has ended, or at once on Cancel. Actions run on a worker thread; this
// screen only ever applies their events, a frame's worth at a time.
class SetupActionProgressView : public QWidget {
    Q_OBJECT
public:
    using Outcome = SetupFlowModel::InstallOutcome;
    using Event = SetupRemediationRunner::Event;
    // Carries out one action to its end; blocking, called on a worker thread.
    using RunAction = std::function<void(const SetupRemediation&, const QString& passwordPrompt, std::stop_token,
                                         const EventSink<Event>&)>;

    struct Dependencies {
        RunAction run;
        std::function<void(const TrackedEvent&)> track;
        QString loginName;  // replaced by "~" in the paths usage events report
    };

    // The runner of this Mac, with the environment's services and tracker.
    static Dependencies liveDependencies(const AppEnvironment& environment, std::optional<QString> brewPath);

    SetupActionProgressView(QString title, std::vector<SetupRemediation> remediations, Dependencies dependencies,
                            bool continuesPastFailure, std::function<void(Outcome)> onFinish,
                            QWidget* parent = nullptr);
    ~SetupActionProgressView() override;

    // Everything the actions printed, unfiltered, plus this screen's own lines.
    const QStringList& lines() const { return lines_; }
    // The batch's code once it has ended: the first failure's, else 0.
    std::optional<int32_t> exitCode() const { return exitCode_; }
    bool isCanceled() const { return canceled_; }
    bool isRunning() const { return started_ && !exitCode_ && !canceled_; }

    // How long the Command Line Tools download may stay silent before the
    // screen says that this happens (three minutes).
    static void setStallThresholdForTesting(std::chrono::milliseconds threshold);
    // Answers "quit while installing?" instead of asking the user.
    static void setQuitConfirmationForTesting(std::function<bool()> answer);

protected:
    // Return presses Continue once the batch is over; Escape cancels a running one.
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Inbox;

    void start();
    void startNext();
    void launch(const SetupRemediation& remediation);
    void drain();
    void apply(const Event& event, QStringList& shown);
    void append(const QString& line, QStringList& shown);
    void actionEnded();
    void endBatch();
    void cancel();
    void finish(Outcome outcome);
    void copyOutput() const;
    void showProgress(std::optional<double> percent);
    void updateElapsed();
    void trackAfterSuccess(const SetupRemediation& remediation) const;
    QString passwordPrompt(const SetupRemediation& remediation) const;
    bool confirmQuit();

    // The batch.
    std::vector<SetupRemediation> remediations_;
    Dependencies deps_;
    bool continuesPastFailure_;
    std::function<void(Outcome)> onFinish_;

    // View state.
    QStringList lines_;
    std::optional<int32_t> exitCode_;
    bool canceled_ = false;
    bool started_ = false;
    bool finished_ = false;

    // The running batch.
    std::size_t next_ = 0;
    std::optional<SetupRemediation> current_;
    std::stop_source currentStop_;
    std::shared_ptr<Inbox> inbox_;
    std::optional<int32_t> actionCode_;
    bool actionCanceled_ = false;
    std::set<QString> failedIDs_;
    int32_t batchCode_ = 0;
    bool sawFailure_ = false;
    InstallOutputFilter filter_;  // what of lines_ the transcript shows, line by line

    QLabel* status_ = nullptr;
    QLabel* elapsed_ = nullptr;
    QLabel* stallNotice_ = nullptr;
    QPlainTextEdit* transcript_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* continue_ = nullptr;
    QTimer* frame_ = nullptr;
    QTimer* clock_ = nullptr;
    QTimer* stall_ = nullptr;
    QElapsedTimer elapsedTimer_;
    QPointer<QWidget> watchedWindow_;
};

}  // namespace varnel
