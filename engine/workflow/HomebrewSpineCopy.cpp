#include "engine/workflow/HomebrewSpineCopy.h"

namespace varnel {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

QString HomebrewSpineCopy::summaryLabel(const QString& domainID) const
{
    if (domainID == u"clt")
        return s("Command Line Tools");
    if (domainID == u"homebrew")
        return s("Homebrew");
    if (domainID == u"warp")
        return s("Warp");
    return domainID;
}

QString HomebrewSpineCopy::cltScreenBody() const
{
    return s("Apple's Command Line Tools provide basic programs Homebrew needs. This can take many minutes; we'll "
             "continue automatically when it finishes.");
}

QString HomebrewSpineCopy::diagnosisArticlePath() const { return s("homebrew"); }
QString HomebrewSpineCopy::verifyingTitle() const { return s("Verifying Homebrew…"); }
QString HomebrewSpineCopy::keepGoingWindowTitle() const { return s("Homebrew is installed"); }
QString HomebrewSpineCopy::keepGoingHeadline() const { return s("Homebrew is set up"); }
QString HomebrewSpineCopy::outcomeReadyHeadline() const { return s("Your Mac is ready"); }
QString HomebrewSpineCopy::outcomeReadyArticlePath() const { return s("homebrew/update"); }
QString HomebrewSpineCopy::outcomeTroubleArticlePath() const { return s("homebrew"); }

}  // namespace varnel
