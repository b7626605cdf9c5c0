#pragma once

// SpeciesCard: one cell of the Explore grid: the species picture (130 high, with a round glass
// pawprint badge in its top-leading corner for pet-safe species), then the common name, the
// italic scientific name and a row with the watering interval ("8d", blue drop) and the
// difficulty (gauge, secondary), on the card background with radius 22 and a faint outline.
//
//   auto *card = new SpeciesCard(Species::find(u"fern"), grid);
//   connect(card, &SpeciesCard::activated, this, [this, card] { open(card->species()); });
//
// The whole card is one control: a click, Space, Return or Enter activates it; other keys
// (arrows) go on to the parent, which moves between cards. To assistive technology it is one
// list item named after the species, its other texts as the description, with a press action.

#include "Models/Species.h"

#include <QFont>
#include <QStaticText>
#include <QWidget>

class GlassBadge;
class PlantPhotoView;

class SpeciesCard final : public QWidget
{
    Q_OBJECT
public:
    // The card's measurements; colours and fonts come from the theme when painting.
    struct Style
    {
        int pictureHeight = 130;
        qreal symbolScale = 0.42;
        int padding = 12;     // around the text block
        int lineSpacing = 6;  // between the text block's lines
        int factSpacing = 10; // between the water and difficulty labels
        int iconSpacing = 4;  // between a label's symbol and its text
        int badgeInset = 10;  // the pet badge from the picture's corner
        int badgePadding = 8; // around the badge's symbol
    };
    static const Style &style();
    // Every card is this high: the picture plus three lines of text at the theme's fonts.
    static int cardHeight();

    explicit SpeciesCard(const Species &species, QWidget *parent = nullptr);

    const Species &species() const { return m_species; }
    // "{waterDays}d", as the card shows it.
    QString waterText() const;
    // What assistive technology reads after the name.
    QString accessibleSummary() const;
    PlantPhotoView *picture() const { return m_picture; }
    // The pawprint badge, only for pet-safe species.
    GlassBadge *petBadge() const { return m_petBadge; }
    bool isPressed() const { return m_pressed; }

    QSize sizeHint() const override;

public slots:
    void activate();

signals:
    void activated();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;

private:
    // The texts below the picture, shaped (and the names elided) once for a width, direction and
    // set of fonts: a grid re-flowing as it is filtered repaints every card.
    struct Texts
    {
        int width = -1;
        Qt::LayoutDirection direction = Qt::LeftToRight;
        QFont nameFont, scientificFont, factFont;
        QStaticText commonName, scientificName, water, difficulty;
        int waterAdvance = 0, difficultyAdvance = 0;
    };
    const Texts &texts(int width);
    // The picture, the badge in its leading corner and the chrome over both.
    void placeLayers();
    void setPressed(bool pressed);

    Species m_species;
    PlantPhotoView *m_picture;
    GlassBadge *m_petBadge = nullptr;
    QWidget *m_chrome; // outline, hover and focus ring, above the picture
    bool m_pressed = false;
    Texts m_texts;
};
