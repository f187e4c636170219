#include "ui/WelcomeView.h"

#include "engine/config/ProductConfig.h"
#include "ui/AppNavigation.h"
#include "ui/ScreenScaffold.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnel {

WelcomeView::WelcomeView(AppNavigation& navigation, QWidget* parent) : QWidget(parent), navigation_(navigation)
{
    const auto product = ProductConfig::current();
    setObjectName(QStringLiteral("welcome-view"));

    ScreenScaffold::Options options;
    options.title = product->copy.welcomeHeadline.value_or(product->displayName);
    options.explainer = product->copy.welcomeExplainer;
    auto* scaffold = new ScreenScaffold(options, nullptr, this);

    // No product carries a goal prompt today; when one does, it takes the
    // place of this button and pushes the diagnose screen with the chosen goal.
    auto* button = ui::prominentButton(product->copy.primaryCTA, QStringLiteral("welcome-diagnose-button"), scaffold,
                                       true);
    button->setMinimumWidth(260);
    button->setAccessibleDescription(QStringLiteral("Checks what this Mac already has and what is missing"));
    scaffold->setPrimaryButtons({button});
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    scaffold->contentLayout()->addSpacing(ui::spacing::section);
    scaffold->contentLayout()->addLayout(row);
    scaffold->contentLayout()->addStretch();

    connect(button, &QPushButton::clicked, this, [this] {
        const auto flow = ProductConfig::current()->flow;
        navigation_.push(flow == SetupFlow::setupWorkflow ? Screen::setupWorkflow() : Screen::diagnose());
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scaffold);
}

}  // namespace varnel
