#pragma once

// SidebarItem: one entry of the Sidebar: symbol, title and an optional count badge. Checkable;
// the Sidebar keeps exactly one checked. Accessible name: the title plus the badge's spoken
// words ("Today, 6 tasks due") when shown.

#include <QAbstractButton>

class SidebarItem final : public QAbstractButton
{
    Q_OBJECT
public:
    SidebarItem(const QString &symbol, const QString &title, QWidget *parent = nullptr);

    int badge() const { return m_badge; }
    // 0 or less shows none; spoken: what readers hear for it (default: the number).
    void setBadge(int count, const QString &spoken = {});
    QString symbol() const { return m_symbol; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void updateAccessibility();

    QString m_symbol;
    int m_badge = 0;
    QString m_spokenBadge;
};
