#pragma once

// NavigationItem: what the navigation header shows for one page of a NavigationStack: its
// title, large or inline title style, and the page's toolbar items (leading: cancellation
// position; trailing: primary actions, search field). Owned by its page; get it from push().
//
//   NavigationItem *item = stack->push(detail, plant->name());
//   item->setTitle(newName);                       // header follows at once
//   item->addTrailing(addButton); item->addLeading(cancelButton);
//   item->setLargeTitle(false);

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class NavigationItem final : public QObject
{
    Q_OBJECT
public:
    explicit NavigationItem(const QString &title, QObject *parent = nullptr);
    ~NavigationItem() override;

    QString title() const { return m_title; }
    void setTitle(const QString &title);
    bool largeTitle() const { return m_largeTitle; }
    void setLargeTitle(bool large);
    void addLeading(QWidget *widget);
    void addTrailing(QWidget *widget);
    QList<QWidget *> leading() const;
    QList<QWidget *> trailing() const;

signals:
    void changed();

private:
    QString m_title;
    bool m_largeTitle = true;
    QList<QPointer<QWidget>> m_leading;
    QList<QPointer<QWidget>> m_trailing;
};
