#pragma once

// Sidebar: the main window's navigation column: items with symbol, title and badge count,
// exactly one selected. Up/Down (and Home/End) move the selection when an item has focus.
//
//   auto *sidebar = new Sidebar(parent);
//   sidebar->addItem("checklist", tr("Today"));          // returns the index, 0
//   sidebar->addItem("leaf", tr("My Plants"));
//   sidebar->addItem("books.vertical", tr("Explore"));
//   sidebar->setBadge(0, dueCount, tr("%1 tasks due").arg(dueCount));   // 0 hides the badge
// Screen readers see a page-tab list; each item is a page tab whose Press selects it, named
// "Today, 6 tasks due" with the badge's spoken words (the number alone when none are given).
//   connect(sidebar, &Sidebar::currentChanged, this, [](int index) { ... });
//   sidebar->setCurrentIndex(2);                           // emits currentChanged when it changes
//   connect(sidebar, &Sidebar::currentReselected, ...);   // the selected item was clicked again

#include <QWidget>

class QButtonGroup;
class QVBoxLayout;
class SidebarItem;

class Sidebar final : public QWidget
{
    Q_OBJECT
public:
    explicit Sidebar(QWidget *parent = nullptr);

    int addItem(const QString &symbol, const QString &title);
    int count() const { return int(m_items.size()); }
    SidebarItem *item(int index) const;
    void setBadge(int index, int count, const QString &spoken = {});
    int badge(int index) const;
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

signals:
    void currentChanged(int index);
    void currentReselected(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<SidebarItem *> m_items;
    QVBoxLayout *m_layout;
    int m_current = -1;
};
