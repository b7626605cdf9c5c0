#include "Views/Components/Sidebar.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

Sidebar::Sidebar(QWidget *parent) : QWidget(parent)
{
    const SidebarStyle &s = Theme::current().sidebar;
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(s.padding, s.padding + 4, s.padding, s.padding);
    m_layout->setSpacing(2);
    m_layout->addStretch(1);
    setFixedWidth(s.width);
    setAccessibleName(tr("Sidebar"));
    Accessibility::setRole(this, QAccessible::PageTabList);
}

int Sidebar::addItem(const QString &symbol, const QString &title)
{
    auto *item = new SidebarItem(symbol, title, this);
    const int index = int(m_items.size());
    m_items.append(item);
    m_layout->insertWidget(index, item);
    item->installEventFilter(this);
    connect(item, &QAbstractButton::clicked, this, [this, index] {
        const bool reselected = index == m_current;
        // Also checks the item again, which a click on it had unchecked.
        setCurrentIndex(index);
        if (reselected)
            emit currentReselected(index);
    });
    if (m_current < 0)
        setCurrentIndex(index);
    return index;
}

SidebarItem *Sidebar::item(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

void Sidebar::setBadge(int index, int count, const QString &spoken)
{
    if (SidebarItem *i = item(index))
        i->setBadge(count, spoken);
}

int Sidebar::badge(int index) const
{
    const SidebarItem *i = item(index);
    return i ? i->badge() : 0;
}

void Sidebar::setCurrentIndex(int index)
{
    if (!item(index))
        return;
    for (int i = 0; i < m_items.size(); ++i)
        m_items[i]->setChecked(i == index);
    if (index == m_current)
        return;
    m_current = index;
    emit currentChanged(index);
}

void Sidebar::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    QPainter p(this);
    p.fillRect(rect(), t.sidebar.background);
    p.setPen(QPen(t.colors.separator, 1));
    p.drawLine(rect().topRight(), rect().bottomRight());
}

bool Sidebar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int at = int(m_items.indexOf(static_cast<SidebarItem *>(watched)));
        int next = -1;
        if (key == Qt::Key_Down)
            next = qMin(at + 1, count() - 1);
        else if (key == Qt::Key_Up)
            next = qMax(at - 1, 0);
        else if (key == Qt::Key_Home)
            next = 0;
        else if (key == Qt::Key_End)
            next = count() - 1;
        if (next >= 0 && at >= 0) {
            setCurrentIndex(next);
            m_items[next]->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
