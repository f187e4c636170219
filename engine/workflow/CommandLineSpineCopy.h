#pragma once

#include "engine/workflow/SetupProviders.h"

namespace varnel {

// The command-line product's texts of the workflow screens. The Homebrew
// product's copy derives from it and changes a handful.
class CommandLineSpineCopy : public SpineCopyProviding {
public:
    std::optional<SpineScreenCopy> domainScreen(const QString& domainID,
                                                const std::optional<SetupDiagnosis>& diagnosis) const override;
    QString summaryLine(const QString& domainID, const SetupDiagnosis& diagnosis) const override;
    QString diagnosisWindowTitle() const override;
    QString diagnosisHeadline() const override;
    QString diagnosisFooter() const override;
    QString diagnosisArticlePath() const override;
    QString verifyingTitle() const override;
    QString keepGoingWindowTitle() const override;
    QString keepGoingHeadline() const override;
    QString keepGoingBody() const override;
    QString outcomeWindowTitle() const override;
    QString outcomeReadyHeadline() const override;
    QString outcomeReadyBody() const override;
    QString outcomeNotVerifiedBody() const override;
    QString outcomeFooter() const override;
    QString outcomeQuestion() const override;
    QString outcomeReadyArticlePath() const override;
    QString outcomeTroubleArticlePath() const override;
    QString npsWindowTitle() const override;
    QString projectFolderPrompt() const override;

protected:
    // The name a domain goes by in the summary; its identifier when it has none.
    virtual QString summaryLabel(const QString& domainID) const;
    // The body of the Command Line Tools screen.
    virtual QString cltScreenBody() const;
};

}  // namespace varnel
