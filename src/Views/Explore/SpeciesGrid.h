#pragma once

// SpeciesGrid: the Explore screen's cards in adaptive columns (170 to 260 wide, 16 between
// columns and rows), in the order given. A card is built only when its cell comes near the
// visible part of the scroll area; built cards are kept and reused when the list changes.
//
//   auto *grid = new SpeciesGrid(scrollArea);        // the area it scrolls in
//   grid->setFocusAnchor(lastChip);                  // Tab goes from there to the cards
//   grid->setSpecies(ExploreView::results(filters));
//   connect(grid, &SpeciesGrid::activated, this, &ExploreView::open);
//
// Keyboard: one card is the grid's tab stop (the last one focused, else the first); arrow keys
// move between cards (Up and Down by a row), Home and End go to the ends; Space, Return or Enter
// open the focused card. To assistive technology the grid is a list of every listed species.

#include "Models/Species.h"
#include "Views/Components/AdaptiveColumns.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <optional>

class QScrollArea;
class SpeciesCard;

class SpeciesGrid final : public QWidget
{
    Q_OBJECT
public:
    struct Style
    {
        int minimumColumn = 170;
        int maximumColumn = 260;
        int spacing = 16; // between columns and between rows
        // Cards are built this far beyond the visible part, so scrolling finds them ready.
        int buildAhead = 200;
    };
    static const Style &style();

    explicit SpeciesGrid(QScrollArea *scrollArea, QWidget *parent = nullptr);

    void setSpecies(const QList<Species> &species);
    const QList<Species> &species() const { return m_species; }
    void setFocusAnchor(QWidget *anchor);

    AdaptiveColumns::Fit fit() const;
    // The card of the listed species at index, built now if it was not yet.
    SpeciesCard *card(qsizetype index);
    // The card of species id if it is built and listed, else null.
    SpeciesCard *builtCard(const QString &id) const;
    // Cards built so far (listed or not).
    int builtCount() const { return int(m_cards.size()); }
    // The index of the card that takes focus when the grid is tabbed into.
    qsizetype currentIndex() const;
    void setCurrentIndex(qsizetype index);
    // The listed index of card, or -1.
    qsizetype indexOf(const SpeciesCard *card) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void activated(const Species &species);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect cellRect(qsizetype index) const;
    void placeCards();
    void buildVisible();
    void refreshTabStop();
    void moveFocus(qsizetype index);
    std::optional<qsizetype> target(qsizetype from, int key) const;

    QScrollArea *m_scrollArea;
    QPointer<QWidget> m_focusAnchor;
    QList<Species> m_species;
    QHash<QString, SpeciesCard *> m_cards; // by species id, built on demand
    QHash<QString, qsizetype> m_indexOf;   // listed species id -> index
    QString m_currentId;                   // the grid's tab stop, kept across changes of the list
};
