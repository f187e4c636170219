#pragma once

#include <QFrame>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace varnel {

class KeyValueStoring;
struct TrackedEvent;

// "How are we doing?": a 0–10 recommendation score with an optional reason.
// Submitting records the score, remembers that this Mac answered (so the card
// is never offered again) and thanks the user 1.5 seconds later.
class NPSFeedbackCard : public QFrame {
    Q_OBJECT
public:
    enum class Phase { notYet, scored, submitting, thanks };

    NPSFeedbackCard(KeyValueStoring& store, std::function<void(const TrackedEvent&)> track,
                    std::function<void()> onSubmitted, std::function<void()> onDismissed, QWidget* parent = nullptr);

    Phase phase() const { return phase_; }
    int score() const { return score_; }
    bool didDismiss() const { return didDismiss_; }

    void selectScore(int score);
    void submit();
    // Does nothing once a score was submitted: the answer is already in.
    void dismiss();

    // The pause before the thanks; tests shorten it.
    static void setThanksDelayForTesting(int milliseconds);

signals:
    // The score went out (at once, not after the thanks' pause).
    void scoreSubmitted();

private:
    void render();

    KeyValueStoring& store_;
    std::function<void(const TrackedEvent&)> track_;
    std::function<void()> onSubmitted_;
    std::function<void()> onDismissed_;
    Phase phase_ = Phase::notYet;
    int score_ = -1;
    bool didDismiss_ = false;

    QList<QPushButton*> scoreButtons_;
    QWidget* reasonBlock_ = nullptr;
    QLineEdit* reason_ = nullptr;
    QPushButton* submit_ = nullptr;
    QWidget* thanksBlock_ = nullptr;
};

}  // namespace varnel
