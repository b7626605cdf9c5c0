#pragma once

// Sheet: a modal card over the main window: the window below its menu bar is dimmed (the menu bar
// stays usable), the content sits centred on a rounded card sized from the content's
// minimum/preferred size but never beyond the window (the content then gets less than its
// minimum and scrolls), focus stays inside, and Escape dismisses it. Every way of closing runs
// onDismiss exactly once. Screen readers see a modal dialog named after the content, and nothing
// of the window behind as showing.
//
//   Sheet *sheet = Sheet::present(window(), new AddPlantFlow(...), [this] { m_state->setAddingPlant(false);
//   }); sheet->dismiss();                  // programmatic close (also calls onDismiss)
//   Sheet::of(widgetInsideSheet)->dismiss();
//   Sheet::topmost(window())           // the open sheet of a window, or null
// The sheet owns the content; both are deleted after dismissal. Signal: dismissed().

#include <QPointer>
#include <QWidget>

#include <functional>

class RoundedCard;

class Sheet final : public QWidget
{
    Q_OBJECT
public:
    static Sheet *present(QWidget *window, QWidget *content, std::function<void()> onDismiss = {});
    static Sheet *of(QWidget *descendant);
    static Sheet *topmost(QWidget *window);

    QWidget *content() const { return m_content; }
    bool isDismissed() const { return m_dismissed; }
    // The card's rectangle for a window of windowSize and content wanting minimum/preferred:
    // at least the minimum, the preferred if it fits, never beyond the window less the margins.
    static QRect cardGeometry(const QSize &windowSize, const QSize &minimum, const QSize &preferred,
                              int margin);

public slots:
    void dismiss();

signals:
    void dismissed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Sheet(QWidget *window, QWidget *content, std::function<void()> onDismiss);
    void layoutCard();
    QWidget *menuBar() const;
    QRect coveredArea() const;
    void keepFocusInside(QWidget *old, QWidget *now);

    QWidget *m_window;
    QWidget *m_content;
    RoundedCard *m_card;
    QSize m_contentMinimum;
    std::function<void()> m_onDismiss;
    QPointer<QWidget> m_previousFocus;
    bool m_dismissed = false;
};
