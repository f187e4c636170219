#include "ui/ConsentView.h"

#include "engine/config/ProductConfig.h"
#include "engine/telemetry/AppEvents.h"
#include "ui/AppEnvironment.h"
#include "ui/ScreenScaffold.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnel {

namespace {
QWidget* section(const QString& heading, const QStringList& bullets, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ui::spacing::tight);
    auto* title = new QLabel(heading, box);
    title->setFont(ui::headlineFont());
    layout->addWidget(title);
    for (const QString& text : bullets) {
        auto* bullet = new QLabel(QStringLiteral("•  ") + text, box);
        bullet->setFont(ui::calloutFont());
        bullet->setWordWrap(true);
        layout->addWidget(bullet);
    }
    return box;
}
}  // namespace

ConsentView::ConsentView(const AppEnvironment& environment, std::function<void()> onContinue, QWidget* parent)
    : QWidget(parent), environment_(environment), onContinue_(std::move(onContinue))
{
    const auto product = ProductConfig::current();
    setObjectName(QStringLiteral("consent-view"));

    ScreenScaffold::Options options;
    options.title = QStringLiteral("Welcome to ") + product->displayName;
    auto* scaffold = new ScreenScaffold(options, nullptr, this);

    auto* content = scaffold->contentLayout();
    content->setSpacing(ui::spacing::section);
    content->addWidget(section(product->consent.whatTitle, product->consent.whatBullets, scaffold));
    content->addWidget(section(product->consent.privacyTitle, product->consent.privacyBullets, scaffold));

    auto* privacyRow = new QHBoxLayout;
    privacyRow->setSpacing(ui::spacing::hairline);
    auto* privacyLead = new QLabel(QStringLiteral("Read the privacy details:"), scaffold);
    privacyLead->setFont(ui::footnoteFont());
    auto* privacyLink = ui::linkLabel(product->urls.privacy.toString(), product->urls.privacy, scaffold,
                                      QStringLiteral("consent-privacy-link"));
    privacyLink->setFont(ui::footnoteFont());
    ui::setSecondary(privacyLead);
    privacyRow->addWidget(privacyLead);
    privacyRow->addWidget(privacyLink);
    privacyRow->addStretch();
    content->addLayout(privacyRow);
    content->addStretch();

    auto* button = ui::prominentButton(QStringLiteral("Continue"), QStringLiteral("consent-continue"), scaffold);
    button->setAccessibleDescription(QStringLiteral("Agrees and goes on to the welcome screen"));
    scaffold->setPrimaryButtons({button});
    content->addLayout(ui::buttonRow({button}));
    connect(button, &QPushButton::clicked, this, &ConsentView::continuePressed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scaffold);
}

void ConsentView::continuePressed()
{
    environment_.services().store->setValue(ProductConfig::current()->consentedKey(), QVariant(true));
    environment_.track(events::consentGiven());
    if (onContinue_)
        onContinue_();
}

}  // namespace varnel
