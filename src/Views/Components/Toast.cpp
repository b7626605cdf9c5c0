#include "Views/Components/Toast.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

Toast *Toast::present(QWidget *window, const QString &message, const QString &actionTitle,
                      std::function<void()> action)
{
    if (!window)
        return nullptr;
    window = window->window();
    // The new toast stands where the old one did: a click there is meant for it.
    if (Toast *old = current(window))
        old->vanish(false);
    auto *toast = new Toast(window, message, actionTitle, std::move(action));
    toast->show();
    toast->raise();
    // Read out as it appears, without taking the focus from where the user works.
    QAccessibleEvent shown(toast, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
    QAccessibleEvent alert(toast, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    return toast;
}

Toast *Toast::current(QWidget *window)
{
    if (!window)
        return nullptr;
    for (Toast *toast : window->window()->findChildren<Toast *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!toast->m_dismissed)
            return toast;
    }
    return nullptr;
}

Toast::Toast(QWidget *window, const QString &message, const QString &actionTitle,
             std::function<void()> action)
    : QWidget(window), m_label(new TextLabel(message, TextStyle::subheadline, this)),
      m_action(new GlassButton(actionTitle, {}, GlassButton::Style::borderless, this)),
      m_run(std::move(action))
{
    setObjectName(QStringLiteral("toast"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_label->setObjectName(QStringLiteral("toastMessage"));
    m_label->setElided(true);
    m_action->setObjectName(QStringLiteral("toastAction"));
    m_action->setControlSize(GlassButton::ControlSize::small);
    // Reached on purpose only (F6): a toast that appears, or a page that slides away, never hands
    // it the keyboard, where the next Space would run its action.
    m_action->setFocusPolicy(Qt::NoFocus);
    // A toast that only tells something has no button.
    m_action->setVisible(!actionTitle.isEmpty() && m_run);

    const ToastStyle &style = Theme::current().toast;
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(style.paddingH, style.paddingV, style.paddingH - 8, style.paddingV);
    layout->setSpacing(style.spacing);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_action);
    applyColors();

    Accessibility::setRole(this, QAccessible::Notification);
    setAccessibleName(message);
    const bool hasAction = m_action->isVisibleTo(this);
    if (hasAction) {
        m_action->setToolTip(tr("%1 (F6)").arg(actionTitle));
        setAccessibleDescription(tr("F6 moves to %1").arg(actionTitle));
        m_reach = new QAction(this);
        m_reach->setShortcut(QKeySequence(Qt::Key_F6));
        m_reach->setShortcutContext(Qt::WindowShortcut);
        connect(m_reach, &QAction::triggered, this, &Toast::toggleFocus);
        window->addAction(m_reach);
    }

    m_timer.setSingleShot(true);
    m_timer.setInterval(hasAction ? shownWithActionMsecs : shownMsecs);
    connect(&m_timer, &QTimer::timeout, this, &Toast::dismiss);
    connect(m_action, &QAbstractButton::clicked, this, &Toast::act);
    connect(qApp, &QApplication::focusChanged, this, &Toast::updatePause);
    window->installEventFilter(this);
    place();
    m_timer.start();
}

QString Toast::message() const
{
    return m_label->text();
}

bool Toast::isPaused() const
{
    return !m_timer.isActive() && !m_dismissed;
}

int Toast::remainingMsecs() const
{
    return m_timer.isActive() ? m_timer.remainingTime() : -1;
}

void Toast::dismiss()
{
    vanish(true);
}

void Toast::vanish(bool shield)
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    m_timer.stop();
    // The keyboard goes back where it was, not on to whatever follows in the window.
    if (m_action->hasFocus() && m_focusBefore && m_focusBefore->isVisible())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    m_action->setEnabled(false);
    // F6 belongs to the next toast from now on.
    delete m_reach;
    const bool wasShown = isVisible();
    m_shieldRect = QRect(mapToGlobal(QPoint(0, 0)), size());
    hide();
    if (!shield || !wasShown) {
        deleteLater();
        return;
    }
    m_shield.start();
    qApp->installEventFilter(this);
    QTimer::singleShot(InputHold::standardMsecs, this, &QObject::deleteLater);
}

void Toast::toggleFocus()
{
    if (m_dismissed || !m_action->isVisible())
        return;
    if (m_action->hasFocus()) {
        if (m_focusBefore && m_focusBefore->isVisible())
            m_focusBefore->setFocus(Qt::TabFocusReason);
        return;
    }
    m_focusBefore = QApplication::focusWidget();
    m_action->setFocus(Qt::TabFocusReason);
}

void Toast::act()
{
    if (m_dismissed || !m_run)
        return;
    auto run = std::move(m_run);
    m_run = nullptr;
    dismiss();
    run();
}

void Toast::updatePause()
{
    if (m_dismissed)
        return;
    const QWidget *focus = QApplication::focusWidget();
    const bool keyboardInside = focus && isAncestorOf(focus);
    if (m_hovered || keyboardInside)
        m_timer.stop();
    else if (!m_timer.isActive())
        m_timer.start();
}

QSize Toast::sizeHint() const
{
    const ToastStyle &style = Theme::current().toast;
    const QSize natural = QWidget::sizeHint();
    return {std::min(natural.width(), style.maxWidth), std::max(natural.height(), int(style.radius * 2))};
}

void Toast::place()
{
    const QWidget *window = parentWidget();
    if (!window)
        return;
    const ToastStyle &style = Theme::current().toast;
    const QSize size =
        sizeHint().boundedTo(QSize(window->width() - 2 * style.bottomMargin, window->height()));
    setGeometry((window->width() - size.width()) / 2, window->height() - style.bottomMargin - size.height(),
                size.width(), size.height());
    raise();
}

void Toast::applyColors()
{
    const ToastStyle &style = Theme::current().toast;
    m_label->setFont(style.font);
    m_label->setTextColor(style.foreground);
    m_action->setTint(style.action);
    update();
}

void Toast::paintEvent(QPaintEvent *)
{
    const ToastStyle &style = Theme::current().toast;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = std::min(style.radius, shape.height() / 2);
    QPainterPath path;
    path.addRoundedRect(shape, radius, radius);
    p.fillPath(path, style.background);
    p.setPen(QPen(style.shadow, 1));
    p.drawPath(path);
}

void Toast::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_hovered = true;
    updatePause();
}

void Toast::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_hovered = false;
    updatePause();
}

bool Toast::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    if (m_dismissed && watched->isWidgetType()) {
        const QEvent::Type type = event->type();
        if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
             type == QEvent::MouseButtonRelease) &&
            m_shield.isActive() && isShielded(static_cast<QWidget *>(watched)) &&
            m_shieldRect.contains(static_cast<QMouseEvent *>(event)->globalPosition().toPoint()))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool Toast::isShielded(const QWidget *widget) const
{
    if (widget->window() != parentWidget())
        return false;
    // A newer toast standing where this one stood takes its clicks.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const Toast *>(w))
            return false;
    }
    return true;
}

void Toast::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_action->hasFocus()) {
        toggleFocus();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Toast::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColors();
}
