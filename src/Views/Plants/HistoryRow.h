#pragma once

// HistoryRow: one entry of a plant's care log on its detail screen: the kind's symbol in its
// colour (in a 28-wide box), the past tense ("Watered"), and the day ("Mar 4"). Its context
// menu holds the destructive "Undo"; it opens on right click, the Menu key, or pressing and
// holding the row (mouse or touch). A hairline below the row, inset past the symbol, separates
// it from the next.
//
//   auto *row = new HistoryRow(panel);
//   row->setEntry(event->id(), event->kind(), dateText);   // rows are reused as the log changes
//   row->setShowsDivider(!isLast);
//   connect(row, &HistoryRow::undoRequested, detail, &PlantDetailView::undoEntry);
//   ContextMenu::trigger(row, tr("Undo"))                  // tests: as a click in the menu

#include "Models/CareKind.h"
#include "Models/RecordId.h"

#include <QTimer>
#include <QWidget>

class SymbolView;
class TextLabel;

class HistoryRow final : public QWidget
{
    Q_OBJECT

public:
    // From the leading edge to where the divider starts: past the padding, symbol box and gap.
    static constexpr int dividerInset = 56;

    explicit HistoryRow(QWidget *parent = nullptr);

    void setEntry(RecordId eventId, CareKind kind, const QString &dateText);
    RecordId eventId() const { return m_eventId; }
    CareKind kind() const { return m_kind; }
    QString dateText() const;
    void setShowsDivider(bool shows);
    bool showsDivider() const { return m_divider; }

signals:
    // The user chose "Undo" for the entry this row showed when its menu opened.
    void undoRequested(RecordId eventId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void applyColors();
    void holdElapsed();
    void setPressed(bool pressed);

    RecordId m_eventId = 0;
    CareKind m_kind = CareKind::water;
    SymbolView *m_symbol;
    TextLabel *m_title;
    TextLabel *m_date;
    bool m_divider = false;
    bool m_pressed = false;
    QPoint m_pressPos;
    QTimer m_hold;
};
