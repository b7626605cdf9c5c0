#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QVariantAnimation;

// The Today screen's inset list: keyed items (the summary card, section headers, task rows) in one
// centred column, the rows of a section on one rounded background with hairlines between them.
//
// setItems() replaces the items. An item whose key is already shown keeps its widget and moves to
// its new place on the standard spring; a new one grows in; one that is gone collapses where it
// stood while the rest close up, and is deleted afterwards. A change that arrives mid-animation
// starts from wherever everything is at that moment, so the list always ends exactly at the
// latest items.
//
// The list sits in a QScrollArea (as its widget) and sizes itself to the viewport's width and the
// content's height.
class TodayList final : public QWidget
{
    Q_OBJECT

public:
    enum class Role : unsigned char { plain, header, row };

    struct Item
    {
        QString key;
        QWidget *widget = nullptr; // owned by the list from now on
        Role role = Role::row;
        QString section;        // rows of one section share a background
        int separatorInset = 0; // where the hairline below a row starts
    };

    struct Metrics
    {
        int padding = 20;
        int maxColumnWidth = 760;
        int sectionSpacing = 22;
        int headerSpacing = 8;
    };

    // What the layout needs of one item. Height 0 marks an item on its way out: it sits where
    // it stood between its neighbours and adds no spacing.
    struct Slot
    {
        Role role = Role::row;
        QString section;
        int height = 0;
    };
    // The rectangle of every slot for a list of the given width; pure.
    static QList<QRect> layout(const QList<Slot> &cells, int width, const Metrics &metrics);
    // Bottom of the last slot plus the padding.
    static int contentHeight(const QList<QRect> &rects, const Metrics &metrics);

    // Widgets of a row item get this property set to the Shapes corners that the section's
    // rounded background has at that row (first and last rows of a section).
    static constexpr const char *cornersProperty = "todayListCorners";

    explicit TodayList(QWidget *parent = nullptr);
    ~TodayList() override;

    void setItems(const QList<Item> &items, bool animated);
    // The widget shown for key, or null (also while it is leaving).
    QWidget *widget(const QString &key) const;
    // The widgets of the current items, in order.
    QList<QWidget *> widgets() const;
    bool isAnimating() const;
    // Jumps to the end of a running animation.
    void finishAnimation();
    const Metrics &metrics() const { return m_metrics; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Entry
    {
        QString key;
        QWidget *slot = nullptr; // clips the item while it grows or collapses
        QWidget *widget = nullptr;
        Role role = Role::row;
        QString section;
        QString fromSection; // the section at the start of the running animation
        int separatorInset = 0;
        bool leaving = false;
        QRect start;
        QRect target;
    };

    int naturalHeight(const QWidget *widget, int width) const;
    void computeTargets();
    void applyProgress(qreal progress);
    void finish();
    void updateCorners();
    void fitToViewport();
    void setLeaving(Entry &entry, bool leaving);

    Metrics m_metrics;
    QList<Entry> m_entries;           // display order; leaving entries stay between their old neighbours
    QHash<QString, QWidget *> m_live; // the widgets of the current items by key
    QVariantAnimation *m_animation;
    int m_lastWidth = -1;
    QPointer<QWidget> m_viewport;
};
