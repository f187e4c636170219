#include "ui/SetupActionProgressView.h"

#include "engine/config/ProductConfig.h"
#include "engine/remediation/ProgressPercentage.h"
#include "engine/services/Background.h"
#include "engine/telemetry/EventText.h"
#include "engine/telemetry/RemediationEvents.h"
#include "engine/telemetry/SetupEvents.h"
#include "engine/workflow/SetupBatchRules.h"
#include "ui/AppEnvironment.h"
#include "ui/UiStyle.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <mutex>

namespace varnel {

using Case = SetupRemediation::Case;

namespace {

QString s(const char16_t* text) { return QString::fromUtf16(text); }

// About one screen refresh: events that arrived meanwhile are applied together.
constexpr int kFrameMilliseconds = 16;

std::chrono::milliseconds stallThreshold = std::chrono::minutes(3);
std::function<bool()> quitConfirmationForTesting;

// One action runs at a time in the whole application: the next one (even of
// another batch) waits until the previous program has really gone, which
// after a Cancel may take a moment.
std::mutex& runGate()
{
    static std::mutex gate;
    return gate;
}

QString elapsedText(qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("Elapsed %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

// Events from the worker wait here until the next frame applies them.
struct SetupActionProgressView::Inbox {
    std::mutex lock;
    std::vector<Event> events;

    void push(const Event& event)
    {
        std::lock_guard guard(lock);
        events.push_back(event);
    }
    std::vector<Event> take()
    {
        std::lock_guard guard(lock);
        return std::exchange(events, {});
    }
};

SetupActionProgressView::Dependencies SetupActionProgressView::liveDependencies(const AppEnvironment& environment,
                                                                                std::optional<QString> brewPath)
{
    const AppServices& services = environment.services();
    const auto product = ProductConfig::current();
    SetupRemediationRunner runner(std::move(brewPath), {services.processRunner, services.fs, services.http},
                                  {product->displayName, product->shellMarker(), product->cacheDirName});
    Dependencies deps;
    deps.run = [runner](const SetupRemediation& remediation, const QString& prompt, std::stop_token stop,
                        const EventSink<Event>& sink) { runner.run(remediation, prompt, stop, sink); };
    deps.track = environment.tracker();
    deps.loginName = events::currentLoginName();
    return deps;
}

SetupActionProgressView::SetupActionProgressView(QString title, std::vector<SetupRemediation> remediations,
                                                 Dependencies dependencies, bool continuesPastFailure,
                                                 std::function<void(Outcome)> onFinish, QWidget* parent)
    : QWidget(parent),
      remediations_(std::move(remediations)),
      deps_(std::move(dependencies)),
      continuesPastFailure_(continuesPastFailure),
      onFinish_(std::move(onFinish))
{
    setObjectName(QStringLiteral("setup-action-progress"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(ui::spacing::margin, ui::spacing::margin, ui::spacing::margin, ui::spacing::margin);
    layout->setSpacing(ui::spacing::regular);

    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("setup-action-title"));
    heading->setFont(ui::titleFont(ui::textSize::title));
    heading->setWordWrap(true);
    layout->addWidget(heading);

    transcript_ = new QPlainTextEdit(this);
    transcript_->setObjectName(QStringLiteral("setup-action-transcript"));
    transcript_->setReadOnly(true);
    transcript_->setUndoRedoEnabled(false);  // appends would otherwise each keep an undo step
    transcript_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    transcript_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);  // Menlo or SF Mono on a Mac
    mono.setPointSize(11);
    transcript_->setFont(mono);
    ui::describe(transcript_, QStringLiteral("Output"), QStringLiteral("What the install prints as it runs"));
    layout->addWidget(transcript_, 1);

    stallNotice_ = new QLabel(
        s(u"macOS’s download sometimes pauses for a while without saying so. Keep this window open — if nothing "
          u"changes for a long time, press Cancel and try again."),
        this);
    stallNotice_->setObjectName(QStringLiteral("setup-action-stall"));
    stallNotice_->setWordWrap(true);
    stallNotice_->setFont(ui::calloutFont());
    ui::styleFromPalette(stallNotice_, [](const QPalette& p) {
        return QStringLiteral("QLabel { background: %1; border: 1px solid %2; border-radius: 8px; padding: %3px; }")
            .arg(ui::css(ui::faintFillColor(p)), ui::css(ui::separatorColor(p)))
            .arg(ui::spacing::tight);
    });
    stallNotice_->hide();
    layout->addWidget(stallNotice_);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("setup-action-progress-bar"));
    progress_->setTextVisible(false);
    progress_->setRange(0, 0);
    ui::describe(progress_, QStringLiteral("Progress"), title);
    layout->addWidget(progress_);

    auto* statusRow = new QHBoxLayout;
    status_ = new QLabel(s(u"Working… this can take a minute — please keep this window open."), this);
    status_->setObjectName(QStringLiteral("setup-action-status"));
    status_->setWordWrap(true);
    status_->setFont(ui::calloutFont());
    elapsed_ = new QLabel(elapsedText(0), this);
    elapsed_->setObjectName(QStringLiteral("setup-action-elapsed"));
    elapsed_->setFont(ui::footnoteFont());
    ui::setSecondary(elapsed_);
    statusRow->addWidget(status_, 1);
    statusRow->addStretch();
    statusRow->addWidget(elapsed_);
    layout->addLayout(statusRow);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(ui::spacing::tight);
    auto* copy = ui::plainButton(QStringLiteral("Copy output"), QStringLiteral("setup-action-copy"), this);
    cancel_ = ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("setup-action-cancel"), this);
    continue_ = ui::prominentButton(QStringLiteral("Continue"), QStringLiteral("setup-action-continue"), this);
    continue_->hide();
    copy->setAccessibleDescription(QStringLiteral("Copies everything the install printed"));
    cancel_->setAccessibleDescription(QStringLiteral("Stops the install"));
    continue_->setAccessibleDescription(QStringLiteral("Goes back to the setup step"));
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addWidget(continue_);
    layout->addLayout(buttons);

    connect(copy, &QPushButton::clicked, this, &SetupActionProgressView::copyOutput);
    connect(cancel_, &QPushButton::clicked, this, &SetupActionProgressView::cancel);
    connect(continue_, &QPushButton::clicked, this, [this] {
        finish(canceled_ ? Outcome::canceled : exitCode_ == 0 ? Outcome::success : Outcome::failure);
    });

    frame_ = new QTimer(this);
    frame_->setInterval(kFrameMilliseconds);
    connect(frame_, &QTimer::timeout, this, &SetupActionProgressView::drain);
    clock_ = new QTimer(this);
    clock_->setInterval(1000);
    connect(clock_, &QTimer::timeout, this, &SetupActionProgressView::updateElapsed);
    stall_ = new QTimer(this);
    stall_->setSingleShot(true);
    connect(stall_, &QTimer::timeout, stallNotice_, &QWidget::show);
}

SetupActionProgressView::~SetupActionProgressView()
{
    // A screen that goes away stops its program, as Cancel does.
    currentStop_.request_stop();
}

void SetupActionProgressView::setStallThresholdForTesting(std::chrono::milliseconds threshold)
{
    stallThreshold = threshold;
}

void SetupActionProgressView::setQuitConfirmationForTesting(std::function<bool()> answer)
{
    quitConfirmationForTesting = std::move(answer);
}

void SetupActionProgressView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && continue_->isVisible()) {
        continue_->click();
        return;
    }
    if (key == Qt::Key_Escape && isRunning()) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SetupActionProgressView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!watchedWindow_ && window() != this) {
        watchedWindow_ = window();
        watchedWindow_->installEventFilter(this);
    }
    if (!started_) {
        // The keyboard starts in the output, where Escape reaches this screen's Cancel.
        transcript_->setFocus(Qt::OtherFocusReason);
        start();
    }
}

void SetupActionProgressView::start()
{
    started_ = true;
    elapsedTimer_.start();
    clock_->start();
    // An input the runner would refuse stops the batch before anything in it runs.
    for (const SetupRemediation& remediation : remediations_) {
        if (auto refused = SetupRemediationRunner::refusal(remediation)) {
            QStringList shown;
            append(*refused, shown);
            transcript_->appendPlainText(shown.join(u'\n'));
            batchCode_ = 1;
            endBatch();
            return;
        }
    }
    startNext();
}

void SetupActionProgressView::startNext()
{
    QStringList shown;
    while (next_ < remediations_.size()) {
        const SetupRemediation& remediation = remediations_[next_++];
        if (auto skipped = SetupBatchRules::skipLine(remediation, failedIDs_)) {
            append(*skipped, shown);
            continue;
        }
        if (!shown.isEmpty())
            transcript_->appendPlainText(shown.join(u'\n'));
        launch(remediation);
        return;
    }
    if (!shown.isEmpty())
        transcript_->appendPlainText(shown.join(u'\n'));
    endBatch();
}

void SetupActionProgressView::launch(const SetupRemediation& remediation)
{
    deps_.track(events::remediationApplied(remediation.id(), remediation.method(), deps_.loginName));
    current_ = remediation;
    actionCode_.reset();
    actionCanceled_ = false;
    inbox_ = std::make_shared<Inbox>();
    showProgress(std::nullopt);

    auto task = runInBackground([run = deps_.run, remediation, prompt = passwordPrompt(remediation),
                                 inbox = inbox_](std::stop_token stop) {
        std::lock_guard gate(runGate());
        run(remediation, prompt, stop, [&inbox](const Event& event) { inbox->push(event); });
    });
    currentStop_ = task.stopSource;
    onFinished(task.future, this, [this, inbox = inbox_] {
        if (inbox != inbox_)
            return;
        drain();
        actionEnded();
    });
    frame_->start();
    if (remediation.kind() == Case::installCommandLineTools)
        stall_->start(int(stallThreshold.count()));
}

void SetupActionProgressView::drain()
{
    if (!inbox_ || canceled_)
        return;
    const std::vector<Event> events = inbox_->take();
    if (events.empty())
        return;
    QStringList shown;
    const Event* lastOutput = nullptr;
    for (const Event& event : events) {
        apply(event, shown);
        if (event.kind == Event::Kind::output)
            lastOutput = &event;
    }
    if (lastOutput) {
        // Only the newest line says how far along the install is.
        showProgress(progressPercentage(lastOutput->text));
        if (stall_->isActive() || stallNotice_->isVisible()) {
            stallNotice_->hide();
            stall_->start(int(stallThreshold.count()));
        }
    }
    if (shown.isEmpty())
        return;
    // Follow the newest line, unless the user scrolled up to read.
    QScrollBar* bar = transcript_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const int kept = bar->value();
    transcript_->appendPlainText(shown.join(u'\n'));
    bar->setValue(following ? bar->maximum() : kept);
}

void SetupActionProgressView::apply(const Event& event, QStringList& shown)
{
    switch (event.kind) {
    case Event::Kind::output:
        append(event.text, shown);
        break;
    case Event::Kind::openBrowser: {
        if (event.code) {
            QClipboard* clipboard = QGuiApplication::clipboard();
            clipboard->clear();
            clipboard->setText(*event.code);
        }
        append(SetupBatchRules::browserOpenedLine(event.code, event.code.has_value()), shown);
        const QUrl url(event.text, QUrl::StrictMode);
        if (url.isValid() && !url.scheme().isEmpty())
            ui::openURL(url);
        break;
    }
    case Event::Kind::completed:
        actionCode_ = event.exitCode;
        break;
    case Event::Kind::canceled:
        actionCanceled_ = true;
        break;
    }
}

void SetupActionProgressView::append(const QString& line, QStringList& shown)
{
    lines_ << line;
    filter_.feed(line, shown);
}

void SetupActionProgressView::actionEnded()
{
    frame_->stop();
    stall_->stop();
    stallNotice_->hide();
    if (canceled_ || !current_)
        return;
    const SetupRemediation remediation = *std::exchange(current_, std::nullopt);
    if (actionCanceled_) {
        // A dismissed password dialog, for example: the batch ends as canceled.
        canceled_ = true;
        endBatch();
        return;
    }
    const int32_t code = actionCode_.value_or(-1);
    if (code == 0) {
        deps_.track(events::remediationCompleted(remediation.id(), 0, deps_.loginName));
        trackAfterSuccess(remediation);
    } else {
        deps_.track(events::remediationFailed(remediation.id(), code, QStringLiteral("nonzero_exit"), deps_.loginName));
        failedIDs_.insert(remediation.id());
        if (!sawFailure_)
            batchCode_ = code;
        sawFailure_ = true;
        if (!continuesPastFailure_) {
            endBatch();
            return;
        }
    }
    startNext();
}

void SetupActionProgressView::trackAfterSuccess(const SetupRemediation& remediation) const
{
    switch (remediation.kind()) {
    case Case::repairPath:
        deps_.track(events::claudePathRepaired(remediation.directory(), deps_.loginName));
        break;
    case Case::installClaudeCLI: deps_.track(events::claudeCliInstalled()); break;
    case Case::installClaudeDesktop: deps_.track(events::claudeDesktopInstalled()); break;
    default: break;
    }
}

void SetupActionProgressView::endBatch()
{
    if (!canceled_)
        exitCode_ = batchCode_;
    frame_->stop();
    clock_->stop();
    stall_->stop();
    updateElapsed();
    stallNotice_->hide();
    progress_->hide();
    status_->hide();
    cancel_->hide();
    continue_->show();
    continue_->setFocus();
}

void SetupActionProgressView::cancel()
{
    if (!isRunning())
        return;
    currentStop_.request_stop();
    canceled_ = true;
    current_.reset();
    endBatch();
    finish(Outcome::canceled);
}

void SetupActionProgressView::finish(Outcome outcome)
{
    if (finished_)
        return;
    finished_ = true;
    if (onFinish_)
        onFinish_(outcome);
}

void SetupActionProgressView::copyOutput() const
{
    QGuiApplication::clipboard()->setText(lines_.join(u'\n'));
}

void SetupActionProgressView::showProgress(std::optional<double> percent)
{
    if (percent) {
        progress_->setRange(0, 1000);
        progress_->setValue(int(*percent * 10));
    } else if (progress_->maximum() != 0) {
        progress_->setRange(0, 0);
    }
}

void SetupActionProgressView::updateElapsed()
{
    if (elapsedTimer_.isValid())
        elapsed_->setText(elapsedText(elapsedTimer_.elapsed()));
}

QString SetupActionProgressView::passwordPrompt(const SetupRemediation& remediation) const
{
    const auto product = ProductConfig::current();
    return SetupBatchRules::passwordPrompt(product->spinePolicy, product->displayName, remediation);
}

bool SetupActionProgressView::confirmQuit()
{
    if (quitConfirmationForTesting)
        return quitConfirmationForTesting();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("An install is still running"),
                    QStringLiteral("Quitting now stops the install. You can run it again later."), QMessageBox::NoButton,
                    this);
    box.setObjectName(QStringLiteral("setup-action-quit-dialog"));
    QPushButton* quit = box.addButton(QStringLiteral("Stop and Quit"), QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(QStringLiteral("Keep Installing"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.exec();
    return box.clickedButton() == quit;
}

bool SetupActionProgressView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedWindow_ && event->type() == QEvent::Close && isRunning()) {
        if (!confirmQuit()) {
            event->ignore();
            return true;
        }
        cancel();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace varnel
