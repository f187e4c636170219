#pragma once

#include <QUrl>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace varnel {

// The shared frame of a screen: a large semibold title, one explainer
// paragraph, the screen's own content, and an optional footnote link to an
// article on the guide site. 32 points of margin on every side.
class ScreenScaffold : public QWidget {
    Q_OBJECT
public:
    struct Options {
        QString title;
        QString explainer;
        QString titleAccessibilityIdentifier;
        QString explainerAccessibilityIdentifier;
        QUrl articleURL;  // empty: no link
        int titlePointSize = 26;  // large title
    };

    explicit ScreenScaffold(const Options& options, QWidget* content = nullptr, QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return contentLayout_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* explainerLabel() const { return explainer_; }
    void setTitle(const QString& title);
    void setExplainer(const QString& explainer);
    void setArticleURL(const QUrl& url);

    // "Read the article on Kestrane Guide"
    static QString articleLinkText();

private:
    QLabel* title_ = nullptr;
    QLabel* explainer_ = nullptr;
    QLabel* articleLink_ = nullptr;
    QVBoxLayout* contentLayout_ = nullptr;
};

}  // namespace varnel
