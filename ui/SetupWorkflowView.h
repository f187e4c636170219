#pragma once

#include "engine/config/ProductConfig.h"
#include "engine/workflow/SetupFlowModel.h"
#include "ui/SpecialStageSelections.h"

#include <QWidget>

#include <functional>

class QLabel;
class QVBoxLayout;

namespace varnel {

class AppEnvironment;

// The destination of Screen::setupWorkflow: one screen per step of its
// SetupFlowModel. Turns the user's choices into pending installs for the
// progress screen and tells the model when a stage was shown, skipped or finished.
class SetupWorkflowView : public QWidget {
    Q_OBJECT
public:
    using InstallOutcome = SetupFlowModel::InstallOutcome;
    // Runs a pending install and reports how it ended (the progress screen).
    using ProgressPresenter = std::function<void(QWidget* host, const SetupFlowModel::PendingInstall& install,
                                                 std::function<void(InstallOutcome)> onFinish)>;

    SetupWorkflowView(AppEnvironment& environment, SetupFlowModel::Dependencies dependencies = {},
                      ProgressPresenter presenter = {}, QWidget* parent = nullptr);
    ~SetupWorkflowView() override;

    SetupFlowModel& model() const { return *model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();
    void replaceContent(QWidget* content);
    void track(const TrackedEvent& event) const;

    QWidget* buildLoading(const QString& title);
    QWidget* buildSummary();
    QWidget* buildReadinessWarning(const SetupFlowModel::ReadinessWarning& warning);
    QWidget* buildStage(const QString& domainID);
    QWidget* buildInterstitial();
    QWidget* buildKeepGoingGate();
    QWidget* buildOutcome();
    QWidget* buildNps();
    void fillChecklist(QWidget* checklist);

    bool homebrewAvailable() const;
    void queueAction(const QString& domainID, const SetupAction& action);
    void presentPendingInstall();
    void leaveScoreScreen();

    AppEnvironment& environment_;
    std::shared_ptr<const ProductConfig> product_;  // the active product when the screen was built
    ProgressPresenter presenter_;
    SetupFlowModel* model_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QWidget* content_ = nullptr;
    bool started_ = false;
    SpecialStageSelections selections_;  // the special stages' ticks and fields
};

}  // namespace varnel
