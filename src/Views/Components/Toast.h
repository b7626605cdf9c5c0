#pragma once

// Toast: a short message at the bottom of a window, with one action, after a destructive or bulk
// change ("Deleted Monty" with "Undo"). It goes after about five seconds, stays while the pointer
// is over it or the keyboard is in it, and is a notification that screen readers speak as it
// appears. A window shows one toast at a time: a new one replaces the old. The message is plain
// text (it holds plant names).
//
//   Toast::present(window(), tr("Deleted %1").arg(name), tr("Undo"), [&history, serial] {
//       history.undoStep(serial);
//   });
//   Toast::current(window());   // the toast shown there, or null
//
// The action runs at most once, however often it is clicked; the toast then goes. With no action
// title the toast only tells.

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class GlassButton;
class TextLabel;

class Toast final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int shownMsecs = 5000;

    static Toast *present(QWidget *window, const QString &message, const QString &actionTitle,
                          std::function<void()> action);
    static Toast *current(QWidget *window);

    QString message() const;
    GlassButton *actionButton() const { return m_action; }
    bool isPaused() const;
    // Hides the toast now and deletes it later.
    void dismiss();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    Toast(QWidget *window, const QString &message, const QString &actionTitle, std::function<void()> action);
    void place();
    void act();
    void updatePause();
    void applyColors();

    TextLabel *m_label;
    GlassButton *m_action;
    std::function<void()> m_run;
    QTimer m_timer;
    bool m_hovered = false;
    bool m_dismissed = false;
};
