#include "ui/SetupWorkflowView.h"

#include "engine/probing/HomebrewLocations.h"
#include "engine/telemetry/AppEvents.h"
#include "engine/telemetry/FeedbackEvents.h"
#include "engine/telemetry/SetupEvents.h"
#include "engine/workflow/DiagnosisSummary.h"
#include "engine/workflow/ReadinessScreenCopy.h"
#include "ui/AppEnvironment.h"
#include "ui/NPSFeedbackCard.h"
#include "ui/SetupActionProgressView.h"
#include "ui/ScreenScaffold.h"
#include "ui/SpecialStageLayout.h"
#include "ui/UiStyle.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace varnel {

namespace {

using Step = SetupFlowModel::Step;

// The spine copy's texts, or neutral ones for a product without a spine copy.
const SpineCopyProviding* copyOf(const SetupFlowModel& model) { return model.product().spineCopy.get(); }

QString text(const SetupFlowModel& model, QString (SpineCopyProviding::*member)() const, const char* fallback = "")
{
    const SpineCopyProviding* copy = copyOf(model);
    return copy ? (copy->*member)() : QString::fromUtf8(fallback);
}


// A screen frame with the step's window title shown above its headline.
ScreenScaffold* frame(const QString& windowTitle, const QString& headline, const QString& body, const QUrl& article,
                      QWidget* parent)
{
    ScreenScaffold::Options options;
    options.title = headline;
    options.explainer = body;
    options.articleURL = article;
    options.titlePointSize = ui::textSize::title;
    auto* scaffold = new ScreenScaffold(options, nullptr, parent);
    if (!windowTitle.isEmpty()) {
        auto* label = new QLabel(windowTitle.toUpper(), scaffold);
        label->setObjectName(QStringLiteral("step-window-title"));
        QFont font = ui::footnoteFont();
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
        label->setFont(font);
        ui::setSecondary(label);
        auto* layout = static_cast<QVBoxLayout*>(scaffold->layout());
        layout->insertWidget(0, label);
    }
    return scaffold;
}

}  // namespace

SetupWorkflowView::SetupWorkflowView(AppEnvironment& environment, SetupFlowModel::Dependencies dependencies,
                                     ProgressPresenter presenter, QWidget* parent)
    : QWidget(parent), environment_(environment), product_(ProductConfig::current()), presenter_(std::move(presenter))
{
    if (!dependencies.track)
        dependencies.track = environment_.tracker();
    model_ = new SetupFlowModel(product_->setupProduct(), std::move(dependencies), this);
    setObjectName(QStringLiteral("setup-workflow"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    connect(model_, &SetupFlowModel::stepChanged, this, &SetupWorkflowView::render);
    connect(model_, &SetupFlowModel::pendingInstallChanged, this, &SetupWorkflowView::presentPendingInstall);
    // While the Mac is probed again after an install, the stage waits.
    connect(model_, &SetupFlowModel::busyChanged, this, [this] {
        if (content_ && model_->step().kind == Step::Kind::stage) {
            content_->setEnabled(!model_->isBusy());
            // The keyboard comes back with the controls.
            if (auto* scaffold = qobject_cast<ScreenScaffold*>(content_); scaffold && !model_->isBusy())
                scaffold->focusFirstControl();
        }
    });
    render();
}

SetupWorkflowView::~SetupWorkflowView()
{
    // Leaving the score screen any way at all counts as dismissing it.
    leaveScoreScreen();
}

void SetupWorkflowView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!started_) {
        started_ = true;
        model_->start(environment_.services(), environment_.profile());
    }
}

void SetupWorkflowView::track(const TrackedEvent& event) const { model_->trackEvent(event); }

void SetupWorkflowView::replaceContent(QWidget* content)
{
    if (content_) {
        // Hidden at once: its buttons must not be reachable until it is deleted.
        layout_->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = content;
    layout_->addWidget(content_);
    content_->show();  // now, not on the next turn of the event loop
}

void SetupWorkflowView::render()
{
    const Step step = model_->step();
    if (step.kind == Step::Kind::stage) {
        // A stage that needs nothing is never drawn: the model moves past it.
        const WorkflowStep* s = model_->stepFor(step.domainID);
        if (s && s->stage->diagnosis().classification == SetupDiagnosisClassification::ready) {
            model_->stageShown(step.domainID);
            return;
        }
    }

    switch (step.kind) {
    case Step::Kind::loading: replaceContent(buildLoading(QString())); break;
    case Step::Kind::diagnosisSummary: replaceContent(buildSummary()); break;
    case Step::Kind::readinessWarning: replaceContent(buildReadinessWarning(*step.warning)); break;
    case Step::Kind::stage:
        replaceContent(buildStage(step.domainID));
        // Drawn again after an install while the Mac is still being probed.
        content_->setEnabled(!model_->isBusy());
        break;
    case Step::Kind::interstitial: replaceContent(buildInterstitial()); break;
    case Step::Kind::verifying:
        replaceContent(buildLoading(text(*model_, &SpineCopyProviding::verifyingTitle, "Verifying…")));
        break;
    case Step::Kind::keepGoingGate: replaceContent(buildKeepGoingGate()); break;
    case Step::Kind::outcome: replaceContent(buildOutcome()); break;
    case Step::Kind::nps: replaceContent(buildNps()); break;
    }

    if (step.kind == Step::Kind::stage)
        model_->stageShown(step.domainID);
    else if (step.kind == Step::Kind::verifying)
        model_->verify();
    else if (step.kind == Step::Kind::outcome)
        model_->buildOutcomeAudit();
}

QWidget* SetupWorkflowView::buildLoading(const QString& title)
{
    auto* box = new QWidget;
    box->setObjectName(QStringLiteral("workflow-loading"));
    auto* layout = new QVBoxLayout(box);
    layout->addStretch();
    if (!title.isEmpty()) {
        auto* label = new QLabel(title, box);
        label->setObjectName(QStringLiteral("workflow-progress-title"));
        label->setFont(ui::headlineFont());
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    auto* bar = new QProgressBar(box);
    bar->setRange(0, 0);  // indeterminate
    bar->setMaximumWidth(280);
    bar->setTextVisible(false);
    ui::describe(bar, title.isEmpty() ? QStringLiteral("Checking your Mac") : title,
                 QStringLiteral("Busy; the next step appears when this finishes"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(bar);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return box;
}

QWidget* SetupWorkflowView::buildSummary()
{
    const ProductConfig& config = *product_;
    const SpineCopyProviding* copy = copyOf(*model_);
    auto* scaffold = frame(text(*model_, &SpineCopyProviding::diagnosisWindowTitle),
                           text(*model_, &SpineCopyProviding::diagnosisHeadline, "Here's what we found"), QString(),
                           copy ? config.urls.article(copy->diagnosisArticlePath()) : QUrl(), nullptr);
    scaffold->setObjectName(QStringLiteral("diagnosis-summary"));
    auto* content = scaffold->contentLayout();

    if (!model_->workflow()) {
        content->addWidget(ui::captionLabel(QStringLiteral("There is nothing to set up for this product yet."), scaffold,
                                   QStringLiteral("diagnosis-empty")));
        content->addStretch();
        return scaffold;
    }

    auto* list = new QWidget(scaffold);
    list->setObjectName(QStringLiteral("diagnosis-lines"));
    auto* lines = new QVBoxLayout(list);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(ui::spacing::tight);
    for (const DiagnosisSummaryLine& summary : diagnosisSummaryLines(*model_->workflow(), config.spinePolicy, copy)) {
        auto* line = new QLabel((summary.ready ? QStringLiteral("✓  ") : QStringLiteral("•  ")) + summary.text, list);
        line->setObjectName(QStringLiteral("summary-") + summary.domainID);
        line->setFont(ui::bodyFont());
        lines->addWidget(line);
    }
    content->addWidget(list);
    if (copy)
        content->addWidget(ui::captionLabel(copy->diagnosisFooter(), scaffold, QStringLiteral("diagnosis-footer")));
    content->addStretch();

    auto* cont = ui::prominentButton(QStringLiteral("Continue"), QStringLiteral("diagnosis-continue"), scaffold);
    cont->setAccessibleDescription(QStringLiteral("Goes on to set up what is missing, one step at a time"));
    scaffold->setPrimaryButtons({cont});
    connect(cont, &QPushButton::clicked, model_, &SetupFlowModel::continueFromSummary);
    content->addLayout(ui::buttonRow({cont}));
    return scaffold;
}

QWidget* SetupWorkflowView::buildReadinessWarning(const SetupFlowModel::ReadinessWarning& warning)
{
    const bool network = warning.kind == SetupFlowModel::ReadinessWarning::Kind::network;
    const ReadinessScreenCopy copy =
        network ? ReadinessScreenCopy::network(warning.network) : ReadinessScreenCopy::disk(warning.disk);
    const QString verdict = network ? toString(warning.network.verdict) : toString(warning.disk.verdict);

    auto* scaffold = frame(copy.windowTitle, copy.headline, copy.body, QUrl(), nullptr);
    scaffold->setObjectName(QStringLiteral("readiness-warning"));
    auto* stop = ui::plainButton(copy.stopLabel, QStringLiteral("readiness-stop"), scaffold);
    auto* cont = ui::prominentButton(copy.continueLabel, QStringLiteral("readiness-continue"), scaffold);
    stop->setAccessibleDescription(QStringLiteral("Stops here and goes back to the start"));
    cont->setAccessibleDescription(QStringLiteral("Goes on with the setup despite the warning"));
    scaffold->setPrimaryButtons({cont});
    connect(cont, &QPushButton::clicked, this, [this, network, verdict] {
        track(network ? events::networkWarningAction(QStringLiteral("continue"), verdict)
                      : events::diskWarningAction(QStringLiteral("continue"), verdict));
        model_->continueAfterReadiness();
    });
    connect(stop, &QPushButton::clicked, this, [this, network, verdict] {
        track(network ? events::networkWarningAction(QStringLiteral("stop"), verdict)
                      : events::diskWarningAction(QStringLiteral("stop"), verdict));
        environment_.navigation().popToRoot();
    });
    scaffold->contentLayout()->addStretch();
    scaffold->contentLayout()->addLayout(ui::buttonRow({stop, cont}));
    return scaffold;
}

bool SetupWorkflowView::homebrewAvailable() const
{
    if (model_->profile() && model_->profile()->homebrewPrefix)
        return true;
    // The prober's test: a `brew` at either Homebrew location.
    return installedBrew(*environment_.services().fs).has_value();
}

QWidget* SetupWorkflowView::buildStage(const QString& domainID)
{
    const ProductConfig& config = *product_;
    const SpineRenderPolicy& policy = config.spinePolicy;
    const WorkflowStep* s = model_->stepFor(domainID);
    const std::optional<SetupDiagnosis> diagnosis =
        s ? std::optional<SetupDiagnosis>(s->stage->diagnosis()) : std::nullopt;

    std::optional<SpineScreenCopy> screen;
    if (const SpineCopyProviding* copy = copyOf(*model_))
        screen = copy->domainScreen(domainID, diagnosis);
    if (!screen)
        screen = SpineScreenCopy{QString(), diagnosis ? diagnosis->headline : domainID,
                                 diagnosis ? diagnosis->detail : QString(), std::nullopt};
    const auto article = policy.stageArticlePaths.find(domainID);
    const QString articlePath = article != policy.stageArticlePaths.end() ? article->second : policy.fallbackArticlePath;

    auto* scaffold = frame(screen->windowTitle, screen->headline, screen->body, config.urls.article(articlePath), nullptr);
    scaffold->setObjectName(QStringLiteral("stage-") + domainID);
    auto* content = scaffold->contentLayout();
    if (screen->footer)
        content->addWidget(ui::captionLabel(*screen->footer, scaffold));

    if (!policy.isHomebrewIndependent(domainID) && !homebrewAvailable()) {
        content->addWidget(ui::captionLabel(QStringLiteral("This step installs with Homebrew, which isn't installed yet. "
                                                  "Install Homebrew first, or skip."),
                                   scaffold, QStringLiteral("homebrew-gate")));
        auto* first = ui::prominentButton(QStringLiteral("Install Homebrew first"),
                                          QStringLiteral("install-homebrew-first"), scaffold);
        first->setAccessibleDescription(QStringLiteral("Goes to the Homebrew step"));
        scaffold->setPrimaryButtons({first});
        connect(first, &QPushButton::clicked, this,
                [this] { model_->setStep(Step::stage(QStringLiteral("homebrew"))); });
        // In line with the other steps' actions, under the text.
        auto* line = new QHBoxLayout;
        line->addWidget(first);
        line->addStretch();
        content->addLayout(line);
    } else if (const auto special = policy.specialStages.find(domainID); special != policy.specialStages.end()) {
        auto* layout = new SpecialStageLayout(environment_, *model_, selections_, config, domainID, special->second,
                                              scaffold);
        scaffold->setPrimaryButtons({layout->primaryButton()});
        content->addWidget(layout);
    } else if (s) {
        QList<QAbstractButton*> primaries;
        for (const SetupAction& action : s->stage->actions()) {
            auto* button = ui::prominentButton(action.displayLabel, QStringLiteral("stage-action-") + action.id, scaffold);
            auto override = policy.remediationCaptions.find(action.id);
            const QString explanation = override != policy.remediationCaptions.end() ? override->second : action.caption;
            button->setAccessibleDescription(explanation.isEmpty() ? action.displayLabel : explanation);
            if (primaries.isEmpty())
                primaries << button;
            auto* row = new QVBoxLayout;
            row->setSpacing(ui::spacing::hairline);
            auto* buttonLine = new QHBoxLayout;
            buttonLine->addWidget(button);
            buttonLine->addStretch();
            row->addLayout(buttonLine);
            if (!explanation.isEmpty())
                row->addWidget(ui::captionLabel(explanation, scaffold));
            content->addLayout(row);
            connect(button, &QPushButton::clicked, this, [this, domainID, action] { queueAction(domainID, action); });
        }
        scaffold->setPrimaryButtons(primaries);
    }
    content->addStretch();
    auto* skip = ui::plainButton(QStringLiteral("Skip"), QStringLiteral("stage-skip"), scaffold);
    skip->setAccessibleDescription(QStringLiteral("Leaves this step as it is and goes to the next one"));
    connect(skip, &QPushButton::clicked, this, [this, domainID] { model_->advance(domainID); });
    content->addLayout(ui::buttonRow({skip}));
    return scaffold;
}

void SetupWorkflowView::queueAction(const QString& domainID, const SetupAction& action)
{
    model_->offerSelected(domainID);
    const ProductConfig& config = *product_;
    if (!config.spineProvider || !model_->profile() || !model_->probes())
        return;
    for (const SetupRemediation& remediation :
         config.spineProvider->remediations(domainID, *model_->profile(), *model_->probes())) {
        if (remediation.id() == action.id) {
            model_->setPendingInstall(SetupFlowModel::PendingInstall{remediation.id(), remediation.title(),
                                                                     {remediation}, false});
            return;
        }
    }
}

void SetupWorkflowView::presentPendingInstall()
{
    const auto& pending = model_->pendingInstall();
    if (!pending)
        return;
    auto finish = [this](InstallOutcome outcome) {
        model_->setPendingInstall(std::nullopt);
        model_->installFinished(outcome);
    };
    if (presenter_) {
        presenter_(this, *pending, finish);
        return;
    }
    // The progress screen takes the stage's place until the user continues.
    std::optional<QString> brew = model_->profile() ? model_->profile()->homebrewPrefix : std::nullopt;
    if (!brew)
        brew = installedBrew(*environment_.services().fs);
    auto* progress = new SetupActionProgressView(
        pending->title, pending->remediations, SetupActionProgressView::liveDependencies(environment_, brew),
        pending->continuesPastFailure, [this, finish](InstallOutcome outcome) {
            finish(outcome);
            render();
        });
    replaceContent(progress);
}

QWidget* SetupWorkflowView::buildInterstitial()
{
    const auto& interstitial = product_->spinePolicy.postPrimaryInterstitial;
    if (!interstitial) {
        model_->setStep(Step::of(Step::Kind::verifying));
        return buildLoading(QString());
    }
    auto* scaffold = frame(interstitial->windowTitle, interstitial->headline, interstitial->body,
                           product_->urls.article(interstitial->articlePath), nullptr);
    if (interstitial->disclosure)
        scaffold->contentLayout()->addWidget(ui::captionLabel(*interstitial->disclosure, scaffold));
    auto* cont = ui::prominentButton(interstitial->buttonLabel, QStringLiteral("paid-plan-continue"), scaffold);
    cont->setAccessibleDescription(QStringLiteral("Goes on to check the setup"));
    scaffold->setPrimaryButtons({cont});
    connect(cont, &QPushButton::clicked, this, [this] { model_->setStep(Step::of(Step::Kind::verifying)); });
    scaffold->contentLayout()->addStretch();
    scaffold->contentLayout()->addLayout(ui::buttonRow({cont}));
    return scaffold;
}

QWidget* SetupWorkflowView::buildKeepGoingGate()
{
    auto* scaffold = frame(text(*model_, &SpineCopyProviding::keepGoingWindowTitle),
                           text(*model_, &SpineCopyProviding::keepGoingHeadline),
                           text(*model_, &SpineCopyProviding::keepGoingBody), QUrl(), nullptr);
    scaffold->setObjectName(QStringLiteral("keep-going-gate"));
    auto* finish = ui::plainButton(QStringLiteral("Finish here"), QStringLiteral("finish-here"), scaffold);
    auto* keep = ui::prominentButton(QStringLiteral("Keep going"), QStringLiteral("keep-going"), scaffold);
    finish->setAccessibleDescription(QStringLiteral("Ends the setup and shows what is ready"));
    keep->setAccessibleDescription(QStringLiteral("Goes on to the optional steps"));
    scaffold->setPrimaryButtons({keep});
    connect(keep, &QPushButton::clicked, model_, &SetupFlowModel::keepGoing);
    connect(finish, &QPushButton::clicked, this, [this] { model_->setStep(Step::of(Step::Kind::outcome)); });
    scaffold->contentLayout()->addStretch();
    scaffold->contentLayout()->addLayout(ui::buttonRow({finish, keep}));
    return scaffold;
}

void SetupWorkflowView::fillChecklist(QWidget* checklist)
{
    auto* layout = static_cast<QVBoxLayout*>(checklist->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const auto& section : model_->outcomeAudit()) {
        auto* title = new QLabel(section.title, checklist);
        title->setFont(ui::headlineFont());
        layout->addWidget(title);
        for (const QString& item : section.items) {
            auto* line = new QLabel(QStringLiteral("✓  ") + item, checklist);
            line->setWordWrap(true);
            line->setFont(ui::bodyFont());
            layout->addWidget(line);
        }
        layout->addSpacing(ui::spacing::tight);
    }
    layout->addStretch();
}

QWidget* SetupWorkflowView::buildOutcome()
{
    const ProductConfig& config = *product_;
    const bool passed = model_->verifyResult() && model_->verifyResult()->passed;
    const SpineCopyProviding* copy = copyOf(*model_);
    const QString articlePath = copy ? (passed ? copy->outcomeReadyArticlePath() : copy->outcomeTroubleArticlePath())
                                     : QString();
    auto* scaffold = frame(text(*model_, &SpineCopyProviding::outcomeWindowTitle),
                           passed ? text(*model_, &SpineCopyProviding::outcomeReadyHeadline)
                                  : text(*model_, &SpineCopyProviding::outcomeWindowTitle),
                           passed ? text(*model_, &SpineCopyProviding::outcomeReadyBody)
                                  : text(*model_, &SpineCopyProviding::outcomeNotVerifiedBody),
                           copy ? config.urls.article(articlePath) : QUrl(), nullptr);
    scaffold->setObjectName(QStringLiteral("outcome"));
    auto* content = scaffold->contentLayout();

    auto* scroll = new QScrollArea(scaffold);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);  // nothing in the checklist takes input
    auto* checklist = new QWidget;
    checklist->setObjectName(QStringLiteral("outcome-checklist"));
    auto* checklistLayout = new QVBoxLayout(checklist);
    checklistLayout->setContentsMargins(0, 0, 0, 0);
    checklistLayout->setSpacing(ui::spacing::hairline);
    fillChecklist(checklist);
    connect(model_, &SetupFlowModel::outcomeAuditChanged, checklist, [this, checklist] { fillChecklist(checklist); });
    scroll->setWidget(checklist);
    content->addWidget(scroll, 1);

    content->addWidget(ui::captionLabel(QStringLiteral("Next, open your terminal in one of the example projects and type "
                                              "claude (or codex) to start working with an AI agent."),
                               scaffold, QStringLiteral("outcome-agent-suggestion")));

    auto* apps = new QHBoxLayout;
    apps->setSpacing(ui::spacing::tight);
    if (config.spinePolicy.outcomeOpenableApps) {
        for (const auto& app : config.spinePolicy.outcomeOpenableApps(model_->profile(), model_->probes())) {
            QString name = app.appName;
            name.chop(name.endsWith(QStringLiteral(".app")) ? 4 : 0);
            auto* button = ui::plainButton(
                app.label, QStringLiteral("open-app-") + name.toLower().replace(u' ', u'-'), scaffold);
            button->setAccessibleDescription(QStringLiteral("Opens %1").arg(name));
            connect(button, &QPushButton::clicked, this, [this, app] {
                const QString path = QStringLiteral("/Applications/") + app.appName;
                ui::openURL(QUrl::fromLocalFile(path));
                track(events::appOpened(path));
            });
            apps->addWidget(button);
        }
    }
    auto* examples = ui::plainButton(QStringLiteral("Show Example Projects"), QStringLiteral("show-example-projects"),
                                     scaffold);
    examples->setAccessibleDescription(QStringLiteral("Opens the example project folders in Documents"));
    connect(examples, &QPushButton::clicked, this, [this] {
        const QString documents = environment_.services().fs->homeDirectory() + QStringLiteral("/Documents/");
        for (const char* folder : {"AI-Simple-Project", "AI-Coding-Project"}) {
            const QString path = documents + QString::fromUtf8(folder);
            if (environment_.services().fs->fileExists(path))
                ui::openURL(QUrl::fromLocalFile(path));
        }
    });
    apps->addWidget(examples);
    apps->addStretch();
    content->addLayout(apps);

    if (copy && !copy->outcomeFooter().isEmpty())
        content->addWidget(ui::captionLabel(copy->outcomeFooter(), scaffold));

    auto* question = new QLabel(text(*model_, &SpineCopyProviding::outcomeQuestion), scaffold);
    question->setFont(ui::headlineFont());
    question->setWordWrap(true);
    content->addWidget(question);
    auto* notQuite = ui::plainButton(QStringLiteral("Not quite"), QStringLiteral("outcome-blocked"), scaffold);
    auto* yes = ui::prominentButton(QStringLiteral("Yes, all set"), QStringLiteral("outcome-resolved"), scaffold);
    notQuite->setAccessibleDescription(QStringLiteral("Says something still doesn't work"));
    yes->setAccessibleDescription(QStringLiteral("Says everything works"));
    scaffold->setPrimaryButtons({yes});
    // Once answered (the score was already given, so the screen stays), the
    // buttons rest and the screen says the answer was taken.
    auto* taken = ui::captionLabel(QStringLiteral("Thanks — your answer was recorded."), scaffold,
                          QStringLiteral("outcome-answer-taken"));
    auto showAnswered = [this, yes, notQuite, taken] {
        const bool answered = model_->didReportOutcome();
        yes->setEnabled(!answered);
        notQuite->setEnabled(!answered);
        taken->setVisible(answered);
    };
    auto answer = [this, showAnswered](const QString& selfReport) {
        model_->outcomeReported(selfReport);  // may move on to the score screen, replacing this one
        if (model_->step().kind == Step::Kind::outcome)
            showAnswered();
    };
    connect(yes, &QPushButton::clicked, this, [answer] { answer(QStringLiteral("resolved")); });
    connect(notQuite, &QPushButton::clicked, this, [answer] { answer(QStringLiteral("not_resolved")); });
    content->addLayout(ui::buttonRow({notQuite, yes}));
    content->addWidget(taken);
    showAnswered();
    return scaffold;
}

QWidget* SetupWorkflowView::buildNps()
{
    auto* scaffold = frame(text(*model_, &SpineCopyProviding::npsWindowTitle), QStringLiteral("We need your feedback"),
                           QStringLiteral("One quick question before you go."), QUrl(), nullptr);
    scaffold->setObjectName(QStringLiteral("nps-screen"));
    auto* card = new NPSFeedbackCard(
        *environment_.services().store, [this](const TrackedEvent& e) { track(e); },
        [this] { model_->setNpsResolved(true); },
        [this] {
            model_->setNpsResolved(true);
            environment_.navigation().popToRoot();
        },
        scaffold);
    // Submitted is resolved at once: "Done" during the thanks' pause is no dismissal.
    connect(card, &NPSFeedbackCard::scoreSubmitted, this, [this] { model_->setNpsResolved(true); });
    scaffold->contentLayout()->addWidget(card);
    scaffold->contentLayout()->addStretch();
    auto* done = ui::prominentButton(QStringLiteral("Done"), QStringLiteral("nps-done"), scaffold);
    done->setAccessibleDescription(QStringLiteral("Goes back to the start"));
    // Return sends a chosen score first; otherwise it leaves.
    scaffold->setPrimaryButtons({card->findChild<QPushButton*>(QStringLiteral("nps-submit")), done});
    connect(done, &QPushButton::clicked, this, [this] {
        leaveScoreScreen();
        environment_.navigation().popToRoot();
    });
    scaffold->contentLayout()->addLayout(ui::buttonRow({done}));
    return scaffold;
}

void SetupWorkflowView::leaveScoreScreen()
{
    if (model_->step().kind != Step::Kind::nps || model_->npsResolved())
        return;
    track(events::npsDismissed());
    model_->setNpsResolved(true);
}

}  // namespace varnel
