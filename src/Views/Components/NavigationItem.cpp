#include "Views/Components/NavigationItem.h"

NavigationItem::NavigationItem(const QString &title, QObject *parent) : QObject(parent), m_title(title) {}

NavigationItem::~NavigationItem()
{
    // Toolbar widgets live in the header while shown; they go with their page.
    for (const auto &w : std::as_const(m_leading))
        delete w.data();
    for (const auto &w : std::as_const(m_trailing))
        delete w.data();
}

void NavigationItem::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit changed();
}

void NavigationItem::setLargeTitle(bool large)
{
    m_largeTitle = large;
    emit changed();
}

void NavigationItem::addLeading(QWidget *widget)
{
    m_leading.append(widget);
    emit changed();
}

void NavigationItem::addTrailing(QWidget *widget)
{
    m_trailing.append(widget);
    emit changed();
}

QList<QWidget *> NavigationItem::leading() const
{
    QList<QWidget *> list;
    for (const auto &w : m_leading)
        if (w)
            list.append(w.data());
    return list;
}

QList<QWidget *> NavigationItem::trailing() const
{
    QList<QWidget *> list;
    for (const auto &w : m_trailing)
        if (w)
            list.append(w.data());
    return list;
}
