#pragma once

// Toast: a short message at the bottom of a window, with one action, after a change the user may
// want to take back or follow ("Deleted Monty" with "Undo"). It goes after five seconds, eight
// when it offers an action, stays while the pointer is over it or the keyboard is in it, and is a
// notification that screen readers speak as it appears. It never takes the keyboard focus by
// itself: F6 moves the focus to its action (and F6 or Escape back). A click that lands where it
// stood just after it went (InputHold::standardMsecs) reaches nothing: it was meant for the toast.
// A window shows one toast at a time: a new one replaces the old. The message is plain text (it
// holds plant names).
//
//   Toast::present(window(), tr("Deleted %1").arg(name), tr("Undo"), [&history, serial] {
//       history.undoStep(serial);
//   });
//   Toast::current(window());   // the toast shown there, or null
//
// The action runs at most once, however often it is clicked; the toast then goes. With no action
// title the toast only tells.

#include "Views/Components/InputHold.h"

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

class GlassButton;
class QAction;
class TextLabel;

class Toast final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int shownMsecs = 5000;
    static constexpr int shownWithActionMsecs = 8000;

    static Toast *present(QWidget *window, const QString &message, const QString &actionTitle,
                          std::function<void()> action);
    static Toast *current(QWidget *window);

    QString message() const;
    GlassButton *actionButton() const { return m_action; }
    bool isPaused() const;
    // Until the toast goes by itself; -1 while paused or gone.
    int remainingMsecs() const;
    // Hides the toast now and deletes it later.
    void dismiss();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Toast(QWidget *window, const QString &message, const QString &actionTitle, std::function<void()> action);
    void place();
    void act();
    void updatePause();
    void applyColors();
    void toggleFocus();
    // Whether a click on widget is one this toast, gone a moment ago, drops.
    bool isShielded(const QWidget *widget) const;
    // Hides the toast; with shield, clicks where it stood are dropped for a moment before it is deleted.
    void vanish(bool shield);

    TextLabel *m_label;
    GlassButton *m_action;
    std::function<void()> m_run;
    QTimer m_timer;
    bool m_hovered = false;
    bool m_dismissed = false;
    QPointer<QAction> m_reach; // F6, on the window while the toast is shown
    // Where the keyboard was before F6 brought it here.
    QPointer<QWidget> m_focusBefore;
    // After the toast went: where it stood (global) and until when clicks there are dropped.
    QRect m_shieldRect;
    InputHold m_shield;
};
