#include "ui/NPSFeedbackCard.h"

#include "engine/config/ProductConfig.h"
#include "engine/services/KeyValueStoring.h"
#include "engine/telemetry/FeedbackEvents.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace varnel {

namespace {
int& thanksDelay()
{
    static int ms = 1500;
    return ms;
}
}  // namespace

void NPSFeedbackCard::setThanksDelayForTesting(int milliseconds) { thanksDelay() = milliseconds; }

NPSFeedbackCard::NPSFeedbackCard(KeyValueStoring& store, std::function<void(const TrackedEvent&)> track,
                                 std::function<void()> onSubmitted, std::function<void()> onDismissed, QWidget* parent)
    : QFrame(parent),
      store_(store),
      track_(std::move(track)),
      onSubmitted_(std::move(onSubmitted)),
      onDismissed_(std::move(onDismissed))
{
    setObjectName(QStringLiteral("nps-card"));
    setFrameShape(QFrame::StyledPanel);
    ui::styleFromPalette(this, [](const QPalette& p) {
        return QStringLiteral("#nps-card { border: 1px solid %1; border-radius: 10px; background: %2; }")
            .arg(ui::css(ui::separatorColor(p)), ui::css(ui::faintFillColor(p)));
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(ui::spacing::section, ui::spacing::regular, ui::spacing::section, ui::spacing::section);
    layout->setSpacing(ui::spacing::regular);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("How are we doing?"), this);
    title->setFont(ui::headlineFont());
    auto* dismissButton = ui::borderlessButton(QStringLiteral("Dismiss"), QStringLiteral("nps-dismiss"), this);
    dismissButton->setAccessibleDescription(QStringLiteral("Closes the question without a score"));
    header->addWidget(title);
    header->addStretch();
    header->addWidget(dismissButton);
    layout->addLayout(header);
    connect(dismissButton, &QPushButton::clicked, this, &NPSFeedbackCard::dismiss);

    auto* question = new QLabel(QStringLiteral("How likely are you to recommend ") +
                                    ProductConfig::current()->displayName +
                                    QStringLiteral(" to a friend or colleague?"),
                                this);
    question->setFont(ui::calloutFont());
    question->setWordWrap(true);
    layout->addWidget(question);

    auto* scores = new QHBoxLayout;
    scores->setSpacing(ui::spacing::hairline);
    for (int n = 0; n <= 10; ++n) {
        auto* button = new QPushButton(QString::number(n), this);
        button->setObjectName(QStringLiteral("nps-score-%1").arg(n));
        ui::describe(button, QStringLiteral("Score %1").arg(n),
                     QStringLiteral("From 0, not at all likely, to 10, extremely likely"));
        button->setFont(ui::bodyFont());
        button->setMinimumWidth(36);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, n] { selectScore(n); });
        scores->addWidget(button);
        scoreButtons_ << button;
    }
    layout->addLayout(scores);

    auto* ends = new QHBoxLayout;
    auto* low = new QLabel(QStringLiteral("Not at all likely"), this);
    auto* high = new QLabel(QStringLiteral("Extremely likely"), this);
    low->setFont(ui::footnoteFont());
    high->setFont(ui::footnoteFont());
    ui::setSecondary(low);
    ui::setSecondary(high);
    ends->addWidget(low);
    ends->addStretch();
    ends->addWidget(high);
    layout->addLayout(ends);

    reasonBlock_ = new QWidget(this);
    auto* reasonLayout = new QVBoxLayout(reasonBlock_);
    reasonLayout->setContentsMargins(0, 0, 0, 0);
    reasonLayout->setSpacing(ui::spacing::tight);
    auto* prompt = new QLabel(QStringLiteral("What's the main reason for your score? (optional)"), reasonBlock_);
    prompt->setFont(ui::footnoteFont());
    reason_ = new QLineEdit(reasonBlock_);
    reason_->setObjectName(QStringLiteral("nps-reason"));
    ui::describe(reason_, prompt->text(), QStringLiteral("Optional; sent with your score"));
    submit_ = ui::prominentButton(QStringLiteral("Submit feedback"), QStringLiteral("nps-submit"), reasonBlock_);
    submit_->setAccessibleDescription(QStringLiteral("Sends your score"));
    connect(submit_, &QPushButton::clicked, this, &NPSFeedbackCard::submit);
    reasonLayout->addWidget(prompt);
    reasonLayout->addWidget(reason_);
    auto* submitRow = new QHBoxLayout;
    submitRow->addStretch();
    submitRow->addWidget(submit_);
    reasonLayout->addLayout(submitRow);
    layout->addWidget(reasonBlock_);

    thanksBlock_ = new QLabel(QStringLiteral("✓  Thanks for the feedback."), this);
    thanksBlock_->setObjectName(QStringLiteral("nps-thanks"));
    layout->addWidget(thanksBlock_);

    render();
}

void NPSFeedbackCard::selectScore(int score)
{
    if (phase_ == Phase::submitting || phase_ == Phase::thanks)
        return;
    score_ = score;
    phase_ = Phase::scored;
    render();
}

void NPSFeedbackCard::submit()
{
    if (phase_ != Phase::scored)
        return;
    phase_ = Phase::submitting;
    render();
    track_(events::npsSubmitted(score_, reason_->text()));
    store_.setValue(ProductConfig::current()->npsSubmittedKey(), QVariant(true));
    emit scoreSubmitted();
    QPointer<NPSFeedbackCard> self(this);
    QTimer::singleShot(thanksDelay(), this, [self] {
        if (!self)
            return;
        self->phase_ = Phase::thanks;
        self->render();
        if (self->onSubmitted_)
            self->onSubmitted_();
    });
}

void NPSFeedbackCard::dismiss()
{
    if (phase_ == Phase::submitting || phase_ == Phase::thanks)
        return;
    track_(events::npsDismissed());
    didDismiss_ = true;
    if (onDismissed_)
        onDismissed_();
}

void NPSFeedbackCard::render()
{
    for (int n = 0; n < scoreButtons_.size(); ++n) {
        const bool selected = n == score_;
        // The chosen score in white on the accent colour, the others on a faint fill.
        ui::styleFromPalette(scoreButtons_[n], [selected](const QPalette& p) {
            const QColor accent = ui::accentColor(p);
            const QString fill = ui::css(selected ? accent : ui::faintFillColor(p));
            const QString text = ui::css(selected ? p.color(QPalette::HighlightedText) : p.color(QPalette::WindowText));
            return QStringLiteral("QPushButton { background: %1; color: %2; font-weight: %3; border: 2px solid "
                                  "transparent; border-radius: 7px; padding: 4px; }"
                                  "QPushButton:hover { border-color: %4; }"
                                  "QPushButton:focus { border-color: %5; }"
                                  "QPushButton:disabled { color: %6; }")
                .arg(fill, text, selected ? QStringLiteral("600") : QStringLiteral("400"),
                     ui::css(ui::separatorColor(p)), ui::css(accent), ui::css(ui::secondaryTextColor(p)));
        });
        scoreButtons_[n]->setAccessibleDescription(
            selected ? QStringLiteral("Your score") : QStringLiteral("From 0, not at all likely, to 10, extremely likely"));
        scoreButtons_[n]->setEnabled(phase_ != Phase::submitting && phase_ != Phase::thanks);
    }
    // While submitting neither the reason nor the thanks is shown.
    reasonBlock_->setVisible(phase_ == Phase::scored);
    submit_->setEnabled(phase_ == Phase::scored);
    thanksBlock_->setVisible(phase_ == Phase::thanks);
}

}  // namespace varnel
