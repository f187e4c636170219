#include "engine/workflow/CommandLineSpineCopy.h"

#include "engine/workflow/CommandLineDomainRules.h"

namespace varnel {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

QString classificationWord(SetupDiagnosisClassification c)
{
    switch (c) {
    case SetupDiagnosisClassification::ready: return s("installed");
    case SetupDiagnosisClassification::fixable: return s("not installed");
    case SetupDiagnosisClassification::blocked: return s("needs attention");
    case SetupDiagnosisClassification::unknown: break;
    }
    return s("unknown");
}
}  // namespace

std::optional<SpineScreenCopy> CommandLineSpineCopy::domainScreen(const QString& domainID,
                                                                  const std::optional<SetupDiagnosis>& diagnosis) const
{
    if (domainID == u"clt")
        return SpineScreenCopy{s("Command Line Tools"), s("Install the Command Line Tools"), cltScreenBody(),
                               std::nullopt};
    if (domainID == u"homebrew") {
        // A Homebrew that is there but unusable is explained in the diagnosis's own words.
        if (diagnosis && (diagnosis->headline == CommandLineDomainRules::homebrewNotOnPathHeadline() ||
                          diagnosis->headline == CommandLineDomainRules::homebrewWrongChipHeadline()))
            return SpineScreenCopy{s("Homebrew package manager"), diagnosis->headline, diagnosis->detail,
                                   std::nullopt};
        return SpineScreenCopy{s("Homebrew package manager"), s("Install Homebrew"),
                               s("This installs Homebrew, the macOS package manager, and wires it onto your PATH."),
                               std::nullopt};
    }
    if (domainID == u"warp")
        return SpineScreenCopy{s("The terminal"), s("Install Warp, a better terminal"),
                               s("Warp is a fast terminal with AI to help learn and remember commands. Kestrane "
                                 "Guide recommends it."),
                               std::nullopt};
    return std::nullopt;
}

QString CommandLineSpineCopy::summaryLabel(const QString& domainID) const
{
    if (domainID == u"clt")
        return s("Command Line Tools");
    if (domainID == u"shell-config")
        return s("Shell configuration");
    if (domainID == u"homebrew")
        return s("Homebrew");
    if (domainID == u"warp")
        return s("Warp");
    if (domainID == u"git")
        return s("Git and GitHub");
    return domainID;
}

QString CommandLineSpineCopy::summaryLine(const QString& domainID, const SetupDiagnosis& diagnosis) const
{
    if (domainID == u"homebrew") {
        if (diagnosis.headline == CommandLineDomainRules::homebrewNotOnPathHeadline())
            return s("Homebrew: installed, not on PATH");
        if (diagnosis.headline == CommandLineDomainRules::homebrewWrongChipHeadline())
            return s("Homebrew: installed for the wrong chip");
    }
    return summaryLabel(domainID) + s(": ") + classificationWord(diagnosis.classification);
}

QString CommandLineSpineCopy::cltScreenBody() const
{
    return s("Apple's Command Line Tools are the basics needed for all software development. This can take many "
             "minutes; we'll continue automatically when it finishes.");
}

QString CommandLineSpineCopy::diagnosisWindowTitle() const { return s("Diagnosis"); }
QString CommandLineSpineCopy::diagnosisHeadline() const { return s("Here's what the system check found"); }
QString CommandLineSpineCopy::diagnosisFooter() const { return s("Nothing changes on your Mac without your okay."); }
QString CommandLineSpineCopy::diagnosisArticlePath() const { return s("commandlinetools"); }
QString CommandLineSpineCopy::verifyingTitle() const { return s("Verifying the command line…"); }
QString CommandLineSpineCopy::keepGoingWindowTitle() const { return s("Ready for more?"); }
QString CommandLineSpineCopy::keepGoingHeadline() const { return s("Command line basics are ready"); }
QString CommandLineSpineCopy::keepGoingBody() const
{
    return s("Want to keep going and set up the rest of your developer environment? You can add a better editor, "
             "AI coding tools, and programming languages.");
}
QString CommandLineSpineCopy::outcomeWindowTitle() const { return s("Done"); }
QString CommandLineSpineCopy::outcomeReadyHeadline() const { return s("Your command line is ready"); }
QString CommandLineSpineCopy::outcomeReadyBody() const { return s("All tools are verified as working"); }
QString CommandLineSpineCopy::outcomeNotVerifiedBody() const
{
    return s("Some tools could not be verified. You can re-run the setup, or continue and try again.");
}
QString CommandLineSpineCopy::outcomeFooter() const { return QString(); }
QString CommandLineSpineCopy::outcomeQuestion() const
{
    return s("Did this pretty much complete what you came to do?");
}
QString CommandLineSpineCopy::outcomeReadyArticlePath() const { return s("commandlinetools"); }
QString CommandLineSpineCopy::outcomeTroubleArticlePath() const { return s("commandlinetools"); }
QString CommandLineSpineCopy::npsWindowTitle() const { return s("One last question"); }
QString CommandLineSpineCopy::projectFolderPrompt() const { return s("Choose a folder to work in"); }

}  // namespace varnel
