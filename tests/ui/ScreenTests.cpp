#include "ui/Screen.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace varnel;

// Equality is the compiler's; the hand-written hash must agree with it.
TEST(Screen, equalScreensHashAlike)
{
    AuditContext base{AuditEntry::heuristic, CompletionSurface::promptFor(BuildIntentSurface::postFix),
                      VarnelAuditContext{QStringLiteral("build_software"), QStringLiteral("school"),
                                         OfferRoute::audit(OfferRoute::content(QStringLiteral("x")))}};
    AuditContext otherEntry = base, otherSurface = base, otherRoute = base, noProduct = base;
    otherEntry.entry = AuditEntry::buildIntent;
    otherSurface.completionSurface = CompletionSurface::excluded();
    otherRoute.varnel->thenRoute = OfferRoute::audit(OfferRoute::content(QStringLiteral("y")));
    noProduct.varnel.reset();
    QSet<Screen> set{Screen::audit(base), Screen::audit(AuditContext(base)), Screen::contentOffer(QStringLiteral("a")),
                     Screen::contentOffer(QStringLiteral("a"))};
    EXPECT_EQ(set.size(), 2);
    for (const AuditContext& other : {otherEntry, otherSurface, otherRoute, noProduct})
        set.insert(Screen::audit(other));
    EXPECT_EQ(set.size(), 6);
}
