#pragma once

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QVBoxLayout;

namespace varnel {

// The shared frame of a screen: a large semibold title, one explainer
// paragraph, the screen's own content, and an optional footnote link to an
// article on the guide site. 32 points of margin on every side.
//
// From the keyboard: Tab moves through the controls top to bottom as the
// layout shows them, Return presses the screen's main button, and a screen
// that appears puts the focus on its first field or else its main button.
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

    // Return (or Enter) that no control used presses the first of `buttons`
    // that is visible and enabled.
    void setPrimaryButtons(const QList<QAbstractButton*>& buttons);
    // The controls in the order Tab visits them (hidden ones included).
    QList<QWidget*> controlsInLayoutOrder() const;
    // Focuses the first field (text field or check box), else the main
    // button, else the first control; as when the screen appears.
    void focusFirstControl();

    // "Read the article on Kestrane Guide"
    static QString articleLinkText();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QList<QPointer<QAbstractButton>> primaryButtons_;
    QLabel* title_ = nullptr;
    QLabel* explainer_ = nullptr;
    QLabel* articleLink_ = nullptr;
    QVBoxLayout* contentLayout_ = nullptr;
};

}  // namespace varnel
