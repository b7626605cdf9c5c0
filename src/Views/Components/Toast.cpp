#include "Views/Components/Toast.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

Toast *Toast::present(QWidget *window, const QString &message, const QString &actionTitle,
                      std::function<void()> action)
{
    if (!window)
        return nullptr;
    window = window->window();
    if (Toast *old = current(window))
        old->dismiss();
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

    m_timer.setSingleShot(true);
    m_timer.setInterval(shownMsecs);
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

void Toast::dismiss()
{
    if (m_dismissed)
        return;
    m_dismissed = true;
    m_timer.stop();
    m_action->setEnabled(false);
    hide();
    deleteLater();
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
    return QWidget::eventFilter(watched, event);
}

void Toast::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColors();
}
