#pragma once

#include "engine/workflow/CommandLineSpineCopy.h"

namespace varnel {

// The Homebrew product's texts: the command-line product's, with Homebrew
// as the goal.
class HomebrewSpineCopy final : public CommandLineSpineCopy {
public:
    QString diagnosisArticlePath() const override;
    QString verifyingTitle() const override;
    QString keepGoingWindowTitle() const override;
    QString keepGoingHeadline() const override;
    QString outcomeReadyHeadline() const override;
    QString outcomeReadyArticlePath() const override;
    QString outcomeTroubleArticlePath() const override;

protected:
    QString summaryLabel(const QString& domainID) const override;
    QString cltScreenBody() const override;
};

}  // namespace varnel
