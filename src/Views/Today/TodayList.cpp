#include "Views/Today/TodayList.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Theme.h"

#include <QEvent>
#include <QHash>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

// Holds one item at its natural height and clips it, so a row that grows in or collapses is
// revealed or covered rather than squeezed. A row's slot paints the row's own piece of the
// section background and the hairline below it, so rows that pass each other while moving stay
// opaque and keep their lines.
class ItemSlot final : public QWidget
{
public:
    explicit ItemSlot(QWidget *parent) : QWidget(parent) {}

    QWidget *item = nullptr;
    int itemHeight = 0;
    bool isRow = false;
    unsigned corners = 0;
    int separatorInset = 0;

    void place()
    {
        if (item)
            item->setGeometry(0, 0, width(), qMax(height(), itemHeight));
    }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }
    void paintEvent(QPaintEvent *) override
    {
        if (!isRow)
            return;
        const ListStyle &style = Theme::current().list;
        QPainter p(this);
        Painting::setHighQuality(p);
        p.fillPath(Shapes::continuousRoundedRect(QRectF(rect()), style.radius, corners), style.rowBackground);
        if (!(corners & Shapes::bottomLeft)) {
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(QPen(style.separator, 1.0 / p.device()->devicePixelRatioF()));
            const qreal y = height() - 0.5;
            p.drawLine(QPointF(separatorInset, y), QPointF(width(), y));
        }
    }
    bool event(QEvent *event) override
    {
        // The item's size hint changed: let the list lay itself out again.
        if (event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QWidget::event(event);
    }
};

int lerp(int from, int to, qreal t)
{
    return int(std::lround(from + (to - from) * t));
}

QRect lerp(const QRect &from, const QRect &to, qreal t)
{
    return QRect(lerp(from.x(), to.x(), t), lerp(from.y(), to.y(), t), lerp(from.width(), to.width(), t),
                 qMax(0, lerp(from.height(), to.height(), t)));
}

} // namespace

QList<QRect> TodayList::layout(const QList<Slot> &cells, int width, const Metrics &metrics)
{
    const int column = qMax(0, qMin(width - 2 * metrics.padding, metrics.maxColumnWidth));
    const int x = qMax(metrics.padding, (width - column) / 2);
    QList<QRect> rects;
    rects.reserve(cells.size());
    int y = metrics.padding;
    const Slot *previous = nullptr;
    for (const Slot &slot : cells) {
        if (slot.height <= 0) {
            rects.append(QRect(x, y, column, 0));
            continue;
        }
        if (previous) {
            const bool sameSection = slot.role == Role::row && previous->section == slot.section;
            if (sameSection && previous->role == Role::row)
                y += 0;
            else if (sameSection && previous->role == Role::header)
                y += metrics.headerSpacing;
            else
                y += metrics.sectionSpacing;
        }
        rects.append(QRect(x, y, column, slot.height));
        y += slot.height;
        previous = &slot;
    }
    return rects;
}

int TodayList::contentHeight(const QList<QRect> &rects, const Metrics &metrics)
{
    int bottom = metrics.padding;
    for (const QRect &rect : rects)
        bottom = qMax(bottom, rect.y() + rect.height());
    return bottom + metrics.padding;
}

TodayList::TodayList(QWidget *parent) : QWidget(parent), m_animation(new QVariantAnimation(this))
{
    const ListStyle &list = Theme::current().list;
    m_metrics.sectionSpacing = list.sectionSpacing;
    m_metrics.headerSpacing = list.headerSpacing;
    // Readers see one list: section titles as headings, tasks as its items; the slots that clip
    // items while they move are only layout.
    Accessibility::setRole(this, QAccessible::List);
    // Moving rows are raised over the rows they pass: readers go by where the rows stand.
    Accessibility::setReadInPlaceOrder(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setEasingCurve(Spring::curve());
    m_animation->setDuration(Spring::durationMs());
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { applyProgress(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this, &TodayList::finish);
    if (parent) {
        m_viewport = parent;
        parent->installEventFilter(this);
    }
}

TodayList::~TodayList()
{
    m_animation->stop();
}

void TodayList::setItems(const QList<Item> &items, bool animated)
{
    // Everything starts from where it is drawn now, also in the middle of an animation.
    for (Entry &entry : m_entries)
        entry.start = entry.slot->geometry();

    QHash<QString, qsizetype> oldIndex;
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        oldIndex.insert(m_entries[i].key, i);
    QHash<QString, qsizetype> wanted;
    for (qsizetype i = 0; i < items.size(); ++i)
        wanted.insert(items[i].key, i);

    QList<Entry> next;
    next.reserve(items.size() + m_entries.size());
    QList<bool> fresh;
    for (const Item &item : items) {
        const auto found = oldIndex.constFind(item.key);
        Entry entry;
        if (found != oldIndex.cend()) {
            entry = m_entries[*found];
            if (entry.widget != item.widget) {
                delete entry.widget;
                entry.widget = item.widget;
                item.widget->setParent(entry.slot);
                static_cast<ItemSlot *>(entry.slot)->item = item.widget;
                item.widget->show();
            }
            fresh.append(false);
        } else {
            auto *slot = new ItemSlot(this);
            Accessibility::setPresentational(slot);
            slot->item = item.widget;
            item.widget->setParent(slot);
            item.widget->show();
            entry.key = item.key;
            entry.slot = slot;
            entry.widget = item.widget;
            fresh.append(true);
        }
        const bool wasLeaving = !fresh.last() && entry.leaving;
        entry.fromSection = fresh.last() ? item.section : entry.section;
        entry.role = item.role;
        entry.section = item.section;
        entry.separatorInset = item.separatorInset;
        auto *slot = static_cast<ItemSlot *>(entry.slot);
        slot->isRow = item.role == Role::row;
        slot->separatorInset = item.separatorInset;
        if (wasLeaving)
            setLeaving(entry, false);
        next.append(entry);
    }

    // Items that are gone stay right after the entry that preceded them, so they collapse where
    // they stood.
    QString anchor;
    for (const Entry &old : std::as_const(m_entries)) {
        if (!wanted.contains(old.key)) {
            qsizetype at = 0;
            if (!anchor.isEmpty()) {
                for (qsizetype i = 0; i < next.size(); ++i) {
                    if (next[i].key == anchor) {
                        at = i + 1;
                        break;
                    }
                }
            }
            Entry entry = old;
            setLeaving(entry, true);
            next.insert(at, entry);
            fresh.insert(at, false);
        }
        anchor = old.key;
    }
    m_entries = next;
    m_live.clear();
    for (const Entry &entry : std::as_const(m_entries)) {
        if (!entry.leaving)
            m_live.insert(entry.key, entry.widget);
    }

    computeTargets();
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        Entry &entry = m_entries[i];
        if (fresh[i])
            entry.start = QRect(entry.target.x(), entry.target.y(), entry.target.width(), 0);
        if (entry.leaving)
            entry.slot->lower();
        else if (entry.fromSection != entry.section)
            entry.slot->raise(); // slides over the rows it passes
    }
    updateCorners();

    m_animation->stop();
    const bool moves = std::any_of(m_entries.cbegin(), m_entries.cend(),
                                   [](const Entry &e) { return e.start != e.target || e.leaving; });
    if (animated && moves && isVisible() && Spring::animationsEnabled()) {
        applyProgress(0);
        m_animation->start();
    } else {
        finish();
    }
}

QWidget *TodayList::widget(const QString &key) const
{
    return m_live.value(key);
}

QList<QWidget *> TodayList::widgets() const
{
    QList<QWidget *> result;
    for (const Entry &entry : m_entries) {
        if (!entry.leaving)
            result.append(entry.widget);
    }
    return result;
}

bool TodayList::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void TodayList::finishAnimation()
{
    if (isAnimating()) {
        m_animation->stop();
        finish();
    }
}

void TodayList::setLeaving(Entry &entry, bool leaving)
{
    static const char *const savedFocusPolicy = "todayListFocusPolicy";
    entry.leaving = leaving;
    // A leaving item takes no clicks and no Tab stops; one that comes back before it is gone
    // takes them again. Disabling it instead would grey it out while it collapses.
    entry.slot->setAttribute(Qt::WA_TransparentForMouseEvents, leaving);
    QList<QWidget *> widgets = entry.widget->findChildren<QWidget *>();
    widgets.prepend(entry.widget);
    for (QWidget *widget : std::as_const(widgets)) {
        if (leaving && widget->focusPolicy() != Qt::NoFocus) {
            widget->setProperty(savedFocusPolicy, int(widget->focusPolicy()));
            widget->setFocusPolicy(Qt::NoFocus);
        } else if (!leaving) {
            const QVariant saved = widget->property(savedFocusPolicy);
            if (saved.isValid()) {
                widget->setFocusPolicy(Qt::FocusPolicy(saved.toInt()));
                widget->setProperty(savedFocusPolicy, QVariant());
            }
        }
    }
}

int TodayList::naturalHeight(const QWidget *widget, int width) const
{
    const int hinted =
        widget->hasHeightForWidth() ? widget->heightForWidth(width) : widget->sizeHint().height();
    // A set minimum height counts too (the Today header keeps its height when "Complete All"
    // hides): the item is laid out at least that tall, so a shorter slot would clip it.
    return qBound(widget->minimumHeight(), qMax(hinted, widget->minimumSizeHint().height()),
                  widget->maximumHeight());
}

void TodayList::computeTargets()
{
    const int columnWidth = qMax(0, qMin(width() - 2 * m_metrics.padding, m_metrics.maxColumnWidth));
    QList<Slot> cells;
    cells.reserve(m_entries.size());
    for (Entry &entry : m_entries) {
        auto *slot = static_cast<ItemSlot *>(entry.slot);
        if (!entry.leaving)
            slot->itemHeight = naturalHeight(entry.widget, columnWidth);
        cells.append({entry.role, entry.section, entry.leaving ? 0 : slot->itemHeight});
    }
    const QList<QRect> rects = layout(cells, width(), m_metrics);
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        m_entries[i].target = rects[i];
    m_lastWidth = width();
}

void TodayList::applyProgress(qreal progress)
{
    for (Entry &entry : m_entries) {
        const QRect rect = progress == 1.0 ? entry.target : lerp(entry.start, entry.target, progress);
        entry.slot->setGeometry(rect);
        entry.slot->setVisible(rect.height() > 0);
        static_cast<ItemSlot *>(entry.slot)->place();
    }
    fitToViewport();
    update();
}

void TodayList::finish()
{
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        if (m_entries[i].leaving) {
            m_entries[i].slot->hide();
            m_entries[i].slot->deleteLater();
            m_entries.removeAt(i);
        }
    }
    for (Entry &entry : m_entries) {
        entry.start = entry.target;
        entry.fromSection = entry.section;
    }
    applyProgress(1.0);
}

void TodayList::updateCorners()
{
    QHash<QString, QList<QWidget *>> rows;
    QStringList order;
    for (const Entry &entry : std::as_const(m_entries)) {
        if (entry.role != Role::row || entry.leaving)
            continue;
        if (!rows.contains(entry.section))
            order.append(entry.section);
        rows[entry.section].append(entry.widget);
    }
    for (const QString &section : std::as_const(order)) {
        const QList<QWidget *> &list = rows[section];
        for (qsizetype i = 0; i < list.size(); ++i) {
            unsigned corners = 0;
            if (i == 0)
                corners |= Shapes::topCorners;
            if (i == list.size() - 1)
                corners |= Shapes::bottomCorners;
            if (list[i]->property(cornersProperty).toUInt() != corners) {
                list[i]->setProperty(cornersProperty, corners);
                list[i]->update();
            }
            if (auto *slot = static_cast<ItemSlot *>(list[i]->parentWidget()); slot->corners != corners) {
                slot->corners = corners;
                slot->update();
            }
        }
    }
}

void TodayList::fitToViewport()
{
    if (!m_viewport)
        return;
    int bottom = m_metrics.padding;
    for (const Entry &entry : std::as_const(m_entries)) {
        const QRect shown = entry.slot->geometry();
        bottom = qMax(bottom, qMax(shown.y() + shown.height(), entry.target.y() + entry.target.height()));
    }
    const QSize wantedSize(m_viewport->width(), qMax(bottom + m_metrics.padding, m_viewport->height()));
    if (size() != wantedSize)
        resize(wantedSize);
}

void TodayList::paintEvent(QPaintEvent *)
{
    const Theme &theme = Theme::current();
    const ListStyle &style = theme.list;
    QPainter p(this);
    p.fillRect(rect(), theme.colors.groupedBackground);
    Painting::setHighQuality(p);

    // One rounded background per section under its rows as they are drawn right now, so the
    // section stays whole while rows open gaps or close them. Rows changing sections carry their
    // own background and stay out of it.
    QStringList order;
    QHash<QString, QRect> areas;
    for (const Entry &entry : std::as_const(m_entries)) {
        if (entry.role != Role::row || entry.slot->height() <= 0 || entry.fromSection != entry.section)
            continue;
        if (!areas.contains(entry.section))
            order.append(entry.section);
        areas[entry.section] = areas.value(entry.section).united(entry.slot->geometry());
    }
    for (const QString &section : std::as_const(order))
        p.fillPath(Shapes::continuousRoundedRect(QRectF(areas.value(section)), style.radius),
                   style.rowBackground);
}

void TodayList::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (width() == m_lastWidth)
        return;
    computeTargets();
    if (!isAnimating())
        applyProgress(1.0);
}

bool TodayList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport && event->type() == QEvent::Resize)
        fitToViewport();
    return QWidget::eventFilter(watched, event);
}

bool TodayList::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange) {
        if (m_viewport)
            m_viewport->removeEventFilter(this);
        m_viewport = parentWidget();
        if (m_viewport) {
            m_viewport->installEventFilter(this);
            fitToViewport();
        }
    } else if (event->type() == QEvent::LayoutRequest && !isAnimating()) {
        // An item's size hint changed (a longer text, a new font).
        computeTargets();
        applyProgress(1.0);
    }
    return QWidget::event(event);
}
