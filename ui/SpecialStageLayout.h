#pragma once

#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/SpineRenderPolicy.h"

#include <QWidget>

#include <optional>
#include <set>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace varnel {

class AppEnvironment;
class SetupFlowModel;
struct ProductConfig;
struct SpecialStageSelections;

// The dedicated content of a stage the product's policy lists among its
// special stages: check boxes, fields and the stage's own primary button,
// which queues one pending install built from the user's selections.
class SpecialStageLayout : public QWidget {
    Q_OBJECT
public:
    using Kind = SpineRenderPolicy::SpecialStageKind;

    SpecialStageLayout(AppEnvironment& environment, SetupFlowModel& model, SpecialStageSelections& selections,
                       const ProductConfig& config, const QString& domainID, const Kind& kind,
                       QWidget* parent = nullptr);

    // The button that queues the install (Return presses it).
    QPushButton* primaryButton() const { return primary_; }

private:
    struct Traits;
    static const Traits& traitsFor(Kind::Kind kind);

    // Content builders, one per kind.
    void buildGroupedInstall(QVBoxLayout* layout);
    void buildCasks(QVBoxLayout* layout);
    void buildLanguages(QVBoxLayout* layout);
    void buildProject(QVBoxLayout* layout);
    void buildSkills(QVBoxLayout* layout);
    void buildMCP(QVBoxLayout* layout);
    void buildGit(QVBoxLayout* layout);

    // What the primary button would queue with the current selections, one per kind.
    std::vector<SetupRemediation> stageRemediations() const;
    std::vector<SetupRemediation> tickedCasks() const;
    std::vector<SetupRemediation> tickedLanguages() const;
    std::vector<SetupRemediation> tickedSkills() const;
    std::vector<SetupRemediation> tickedMCP() const;
    std::vector<SetupRemediation> gitSteps() const;

    // Why the Git fields cannot be used as typed; nothing when they can.
    std::optional<QString> gitRefusal() const;

    // A check box with its lines below it, kept together.
    struct Choice {
        QCheckBox* box;
        QVBoxLayout* lines;
    };
    Choice addChoice(QVBoxLayout* layout, const QString& id, const QString& label, const QStringList& notes,
                       bool present, bool ticked, std::function<void(bool)> onToggle);
    void addBrowseLink(QVBoxLayout* layout, const QString& text, const QString& id);
    void refresh();
    void queue(const QString& id, const QString& title, std::vector<SetupRemediation> remediations,
               bool continuesPastFailure);
    void primaryPressed();

    AppEnvironment& environment_;
    SetupFlowModel& model_;
    SpecialStageSelections& selections_;
    const ProductConfig& config_;
    QString domainID_;
    Kind kind_;
    const Traits& traits_;
    std::vector<SetupRemediation> remediations_;  // the stage's, now
    std::set<QString> present_;  // skills or MCP servers already on the Mac: shown, never queued
    QHBoxLayout* buttons_ = nullptr;  // the primary button's row, end of the layout
    QPushButton* primary_ = nullptr;
    QLabel* gitError_ = nullptr;
};

}  // namespace varnel
