#include "ui/ScreenScaffold.h"

#include "ui/UiStyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace varnel {

QString ScreenScaffold::articleLinkText() { return QStringLiteral("Read the article on Kestrane Guide"); }

ScreenScaffold::ScreenScaffold(const Options& options, QWidget* content, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 32);
    layout->setSpacing(12);

    title_ = new QLabel(options.title, this);
    title_->setFont(ui::titleFont(options.titlePointSize));
    title_->setWordWrap(true);
    title_->setObjectName(options.titleAccessibilityIdentifier);
    layout->addWidget(title_);

    explainer_ = new QLabel(options.explainer, this);
    explainer_->setWordWrap(true);
    explainer_->setFont(ui::bodyFont());
    explainer_->setObjectName(options.explainerAccessibilityIdentifier);
    explainer_->setVisible(!options.explainer.isEmpty());
    layout->addWidget(explainer_);

    contentLayout_ = new QVBoxLayout;
    contentLayout_->setSpacing(12);
    layout->addLayout(contentLayout_, 1);
    if (content)
        contentLayout_->addWidget(content);

    articleLink_ = ui::linkLabel(articleLinkText(), options.articleURL, this);
    articleLink_->setFont(ui::footnoteFont());
    articleLink_->setVisible(!options.articleURL.isEmpty());
    layout->addWidget(articleLink_);
}

void ScreenScaffold::setTitle(const QString& title) { title_->setText(title); }

void ScreenScaffold::setExplainer(const QString& explainer)
{
    explainer_->setText(explainer);
    explainer_->setVisible(!explainer.isEmpty());
}

void ScreenScaffold::setArticleURL(const QUrl& url)
{
    ui::setLink(articleLink_, articleLinkText(), url);
    articleLink_->setVisible(!url.isEmpty());
}

}  // namespace varnel
