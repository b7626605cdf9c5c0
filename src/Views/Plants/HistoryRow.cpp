#include "Views/Plants/HistoryRow.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>

namespace {

constexpr int symbolBox = 28;
// The highlight sits inside the panel's rounded corners.
constexpr qreal highlightInset = 4;

} // namespace

HistoryRow::HistoryRow(QWidget *parent) : QWidget(parent)
{
    const Theme &theme = Theme::current();
    setObjectName(QStringLiteral("historyRow"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(12);
    m_title = new TextLabel({}, TextStyle::body, this);
    m_symbol = new SymbolView({}, Symbols::sizeFor(m_title->font()), theme.colors.blue, this);
    m_symbol->setBoxSize(QSize(symbolBox, m_title->fontMetrics().height()));
    m_date = new TextLabel({}, TextStyle::body, this);
    m_date->setObjectName(QStringLiteral("historyDate"));
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    row->addWidget(m_title, 0, Qt::AlignVCenter);
    row->addStretch(1);
    row->addWidget(m_date, 0, Qt::AlignVCenter);

    m_hold.setSingleShot(true);
    m_hold.setInterval(QGuiApplication::styleHints()->mousePressAndHoldInterval());
    connect(&m_hold, &QTimer::timeout, this, &HistoryRow::holdElapsed);

    // The entry is read when the menu opens, so an entry that changed since stays safe.
    ContextMenu::attach(this, [this] {
        const RecordId id = m_eventId;
        return QList<ContextMenu::Item>{{tr("Undo"), QStringLiteral("arrow.uturn.backward"),
                                         [this, id] { emit undoRequested(id); },
                                         ContextMenu::Role::destructive}};
    });
    Accessibility::setRole(this, QAccessible::ListItem);
    // Its name says what its texts show.
    Accessibility::setLeaf(this);
    // "Show menu" opens the same menu, as the Menu key does.
    Accessibility::setAction(this, QAccessibleActionInterface::showMenuAction(), [this] {
        const QPoint centre = rect().center();
        QContextMenuEvent event(QContextMenuEvent::Keyboard, centre, mapToGlobal(centre));
        QApplication::sendEvent(this, &event);
    });
    applyColors();
}

void HistoryRow::setEntry(RecordId eventId, CareKind kind, const QString &dateText)
{
    m_eventId = eventId;
    if (!(kind == m_kind) || m_title->text().isEmpty()) {
        m_kind = kind;
        m_symbol->setSymbol(kind.symbol());
        m_title->setText(kind.pastTense());
        applyColors();
    }
    if (m_date->text() != dateText)
        m_date->setText(dateText);
    setAccessibleName(kind.pastTense() + QStringLiteral(", ") + dateText);
}

QString HistoryRow::dateText() const
{
    return m_date->text();
}

void HistoryRow::setShowsDivider(bool shows)
{
    if (m_divider == shows)
        return;
    m_divider = shows;
    update();
}

void HistoryRow::paintEvent(QPaintEvent *)
{
    const Theme &theme = Theme::current();
    const ListStyle &list = theme.list;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF inner = QRectF(rect()).adjusted(highlightInset, 1, -highlightInset, -1);
    const QPainterPath shape = Shapes::continuousRoundedRect(inner, list.radius);
    if (m_pressed)
        p.fillPath(shape, list.rowPressed);
    else if (underMouse())
        p.fillPath(shape, list.rowHover);
    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p, shape, theme.colors.focusRing, 2);
    if (m_divider) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(list.separator, 1));
        const qreal y = height() - 0.5;
        if (layoutDirection() == Qt::RightToLeft)
            p.drawLine(QPointF(0, y), QPointF(width() - dividerInset, y));
        else
            p.drawLine(QPointF(dividerInset, y), QPointF(width(), y));
    }
}

void HistoryRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyColors();
}

void HistoryRow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressPos = event->position().toPoint();
    setPressed(true);
    m_hold.start();
    event->accept();
}

void HistoryRow::mouseMoveEvent(QMouseEvent *event)
{
    // A press that wanders off is not a hold (the user is scrolling or dragging).
    if (m_pressed &&
        (event->position().toPoint() - m_pressPos).manhattanLength() > QApplication::startDragDistance()) {
        m_hold.stop();
        setPressed(false);
    }
    QWidget::mouseMoveEvent(event);
}

void HistoryRow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_hold.stop();
        setPressed(false);
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void HistoryRow::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void HistoryRow::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

void HistoryRow::applyColors()
{
    const Theme &theme = Theme::current();
    m_symbol->setColor(theme.color(m_kind.tint()));
    m_title->setTextColor(theme.colors.label);
    m_date->setTextColor(theme.colors.secondaryLabel);
}

void HistoryRow::holdElapsed()
{
    setPressed(false);
    QContextMenuEvent event(QContextMenuEvent::Mouse, m_pressPos, mapToGlobal(m_pressPos));
    QApplication::sendEvent(this, &event);
}

void HistoryRow::setPressed(bool pressed)
{
    if (m_pressed == pressed)
        return;
    m_pressed = pressed;
    update();
}
