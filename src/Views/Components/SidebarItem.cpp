#include "Views/Components/SidebarItem.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QEvent>
#include <QPainter>

SidebarItem::SidebarItem(const QString &symbol, const QString &title, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol)
{
    setText(title);
    setCheckable(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    updateAccessibility();
}

void SidebarItem::setBadge(int count, const QString &spoken)
{
    m_badge = qMax(0, count);
    m_spokenBadge = spoken.isEmpty() ? QString::number(m_badge) : spoken;
    updateAccessibility();
    update();
}

QSize SidebarItem::sizeHint() const
{
    const SidebarStyle &s = Theme::current().sidebar;
    return {s.width - 2 * s.padding, s.rowHeight};
}

void SidebarItem::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const SidebarStyle &s = t.sidebar;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Shapes::continuousRoundedRect(r, s.radius);
    if (isChecked())
        p.fillPath(shape, s.selection);
    else if (underMouse())
        p.fillPath(shape, s.hover);
    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p, Shapes::continuousRoundedRect(r.adjusted(1, 1, -1, -1), s.radius - 1),
                                t.colors.focusRing, 2);

    const int icon = Symbols::sizeFor(s.font);
    qreal x = r.left() + 10;
    Symbols::paint(p, QRectF(x, r.center().y() - icon / 2.0, icon, icon), m_symbol, s.iconColor);
    x += icon + 10;

    qreal right = r.right() - 8;
    if (m_badge > 0) {
        const QString count = QString::number(m_badge);
        const QFontMetrics fm(s.badgeFont);
        const qreal h = fm.height() + 4;
        const qreal w = qMax(h, fm.horizontalAdvance(count) + 12.0);
        const QRectF badge(right - w, r.center().y() - h / 2, w, h);
        p.fillPath(Shapes::capsule(badge), s.badgeBackground);
        p.setFont(s.badgeFont);
        p.setPen(isChecked() ? t.colors.label : s.badgeForeground);
        p.drawText(badge, Qt::AlignCenter, count);
        right = badge.left() - 6;
    }
    p.setFont(s.font);
    p.setPen(isChecked() ? s.selectionForeground : t.colors.label);
    const QRectF textRect(x, r.top(), right - x, r.height());
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(s.font).elidedText(text(), Qt::ElideRight, int(textRect.width())));
}

bool SidebarItem::event(QEvent *event)
{
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
        update();
    return QAbstractButton::event(event);
}

void SidebarItem::updateAccessibility()
{
    setAccessibleName(m_badge > 0 ? text() + QStringLiteral(", ") + m_spokenBadge : text());
}
