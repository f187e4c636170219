#include "ui/Screen.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace varnel;

TEST(Screen, equalityAndHashingFollowCaseAndPayload)
{
    EXPECT_NE(Screen::contentOffer(QStringLiteral("a")), Screen::contentOffer(QStringLiteral("b")));
    EXPECT_EQ(Screen::contentOffer(QStringLiteral("a")), Screen::contentOffer(QStringLiteral("a")));
    EXPECT_NE(Screen::guidedHelpOffer(), Screen::aiCodingOffer());

    AuditContext base{AuditEntry::heuristic, CompletionSurface::promptFor(BuildIntentSurface::postFix),
                      VarnelAuditContext{QStringLiteral("build_software"), QStringLiteral("school"),
                                         OfferRoute::audit(OfferRoute::content(QStringLiteral("x")))}};
    AuditContext sameAgain = base;
    EXPECT_EQ(Screen::audit(base), Screen::audit(sameAgain));

    AuditContext otherEntry = base;
    otherEntry.entry = AuditEntry::buildIntent;
    AuditContext otherSurface = base;
    otherSurface.completionSurface = CompletionSurface::excluded();
    AuditContext otherRoute = base;
    otherRoute.varnel->thenRoute = OfferRoute::audit(OfferRoute::content(QStringLiteral("y")));
    AuditContext noProduct = base;
    noProduct.varnel.reset();
    for (const AuditContext& other : {otherEntry, otherSurface, otherRoute, noProduct})
        EXPECT_NE(Screen::audit(base), Screen::audit(other));

    QSet<Screen> set{Screen::audit(base), Screen::audit(sameAgain), Screen::audit(otherRoute),
                     Screen::contentOffer(QStringLiteral("a")), Screen::contentOffer(QStringLiteral("b"))};
    EXPECT_EQ(set.size(), 3 + 1);
    EXPECT_EQ(qHash(Screen::audit(base)), qHash(Screen::audit(sameAgain)));

    EXPECT_EQ(toString(AuditEntry::nextStepBuildSoftware), QStringLiteral("next_step_build_software"));
    EXPECT_EQ(toString(BuildIntentSurface::modernHomeSet), QStringLiteral("modern_home_set"));
}
