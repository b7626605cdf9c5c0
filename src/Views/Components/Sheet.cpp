#include "Views/Components/Sheet.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/RoundedCard.h"
#include "Views/Components/RoundedClipEffect.h"
#include "Views/Components/Theme.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The content itself when it is a control (or stands for one), else its first control.
QWidget *firstTabStop(QWidget *content)
{
    if (content->focusProxy() || (content->focusPolicy() & Qt::TabFocus))
        return content;
    for (QWidget *w = content->nextInFocusChain(); w && w != content; w = w->nextInFocusChain()) {
        if (content->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
            w->isVisibleTo(content))
            return w;
    }
    return nullptr;
}

} // namespace

Sheet::Sheet(QWidget *window, QWidget *content, std::function<void()> onDismiss)
    : QWidget(window), m_window(window), m_content(content), m_onDismiss(std::move(onDismiss))
{
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    const auto cardStyle = [] {
        const Theme &t = Theme::current();
        CardStyle style = t.card;
        style.background = t.sheet.background;
        style.radius = t.sheet.radius;
        style.shadow = Theme::withAlpha(Qt::black, 0.25);
        style.shadowBlur = 24;
        style.shadowOffset = QPointF(0, 10);
        return style;
    };
    const CardStyle style = cardStyle();
    m_card = new RoundedCard(style, this);
    Theme::follow(m_card, [card = m_card, cardStyle] { card->setCardStyle(cardStyle()); });
    m_card->setShadowEnabled(true);
    // Scrolling moves pixels past the rounding effect, so the effect must never round a corner of
    // a scrolling area (the moved corners would leave fragments along the edges): the content
    // stops where the bottom corners begin, and the card's own rounded background closes it.
    m_card->setPadding(QMargins(0, 0, 0, int(std::ceil(style.radius))));
    // The content's minimum is the size it asks for; in a window too small for that the card
    // keeps within the window and the content scrolls, rather than running past the window's edge.
    m_contentMinimum = content->minimumSize();
    content->setMinimumSize(0, 0);
    m_card->contentLayout()->addWidget(content);
    // Screens fill the card edge to edge (headers, list backgrounds); round their top with the card.
    content->setGraphicsEffect(new RoundedClipEffect(style.radius, Shapes::topCorners, content));
    // A modal dialog for screen readers: the window behind it stops showing while it is open.
    setAccessibleName(content->accessibleName());
    Accessibility::setRole(this, QAccessible::Dialog);
    Accessibility::setModal(this);
    Accessibility::setPresentational(m_card);
    window->installEventFilter(this);
    if (QWidget *bar = menuBar())
        bar->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &Sheet::keepFocusInside);
}

Sheet *Sheet::present(QWidget *window, QWidget *content, std::function<void()> onDismiss)
{
    QWidget *host = window ? window->window() : nullptr;
    auto *sheet = new Sheet(host, content, std::move(onDismiss));
    sheet->m_previousFocus = QApplication::focusWidget();
    sheet->setGeometry(sheet->coveredArea());
    sheet->layoutCard();
    sheet->raise();
    sheet->show();
    // Focus stays where the content put it when it was shown (a form on its first field); else
    // it goes to the content's focus proxy or first Tab stop, never to a container a reader
    // cannot name; else to the sheet itself (so Escape reaches it).
    if (QWidget *focus = host->focusWidget(); focus != content && !content->isAncestorOf(focus)) {
        if (QWidget *first = firstTabStop(content))
            first->setFocus(Qt::OtherFocusReason);
    }
    if (!sheet->isAncestorOf(host->focusWidget()))
        sheet->setFocus(Qt::OtherFocusReason);
    return sheet;
}

Sheet *Sheet::of(QWidget *descendant)
{
    for (QWidget *w = descendant; w; w = w->parentWidget()) {
        if (auto *sheet = qobject_cast<Sheet *>(w))
            return sheet;
    }
    return nullptr;
}

Sheet *Sheet::topmost(QWidget *window)
{
    if (!window)
        return nullptr;
    const QList<Sheet *> sheets = window->window()->findChildren<Sheet *>(Qt::FindDirectChildrenOnly);
    for (auto it = sheets.crbegin(); it != sheets.crend(); ++it) {
        if (!(*it)->isDismissed())
            return *it;
    }
    return nullptr;
}

QRect Sheet::cardGeometry(const QSize &windowSize, const QSize &minimum, const QSize &preferred, int margin)
{
    const QSize room(qMax(0, windowSize.width() - 2 * margin), qMax(0, windowSize.height() - 2 * margin));
    const QSize wanted = preferred.expandedTo(minimum);
    const QSize size = wanted.boundedTo(room);
    return {(windowSize.width() - size.width()) / 2, (windowSize.height() - size.height()) / 2, size.width(),
            size.height()};
}

void Sheet::dismiss()
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    disconnect(qApp, &QApplication::focusChanged, this, &Sheet::keepFocusInside);
    m_window->removeEventFilter(this);
    if (QWidget *bar = menuBar())
        bar->removeEventFilter(this);
    hide();
    if (m_previousFocus)
        m_previousFocus->setFocus(Qt::OtherFocusReason);
    // Run the callback last: it may present another sheet or delete what opened this one.
    auto onDismiss = std::move(m_onDismiss);
    emit dismissed();
    if (onDismiss)
        onDismiss();
    deleteLater();
}

void Sheet::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Theme::current().sheet.dimming);
}

void Sheet::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Sheet::mousePressEvent(QMouseEvent *event)
{
    // Clicks on the dimmed backdrop do nothing; they must not reach the window below.
    event->accept();
}

bool Sheet::eventFilter(QObject *watched, QEvent *event)
{
    const bool windowResized = watched == m_window && event->type() == QEvent::Resize;
    const bool barChanged =
        watched != m_window &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Show || event->type() == QEvent::Hide);
    if (windowResized || barChanged) {
        setGeometry(coveredArea());
        layoutCard();
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *Sheet::menuBar() const
{
    auto *main = qobject_cast<QMainWindow *>(m_window);
    QWidget *bar = main ? main->menuWidget() : nullptr;
    return bar && bar->parentWidget() == m_window ? bar : nullptr;
}

QRect Sheet::coveredArea() const
{
    // The window's own menu bar stays usable above the sheet: its commands still work.
    QRect area = m_window->rect();
    if (QWidget *bar = menuBar(); bar && bar->isVisible())
        area.setTop(qMin(area.bottom(), bar->y() + bar->height()));
    return area;
}

void Sheet::layoutCard()
{
    const int margin = Theme::current().sheet.margin;
    const QMargins chrome = m_card->contentLayout()->contentsMargins();
    const QSize extra(chrome.left() + chrome.right(), chrome.top() + chrome.bottom());
    const QSize minimum = m_contentMinimum.expandedTo(m_content->minimumSizeHint()) + extra;
    const QSize preferred = m_content->sizeHint() + extra;
    m_card->setGeometry(cardGeometry(size(), minimum, preferred, margin - chrome.left()));
}

void Sheet::keepFocusInside(QWidget *, QWidget *now)
{
    if (m_dismissed || !isVisible() || !now || now->window() != window())
        return;
    // The menu bar stays usable over the sheet: it takes the focus while the keyboard walks it, and
    // gives it back where it was on Escape.
    if (QWidget *bar = menuBar(); bar && (now == bar || bar->isAncestorOf(now)))
        return;
    if (now != this && !isAncestorOf(now) && !Sheet::of(now))
        m_content->setFocus(Qt::TabFocusReason);
}
