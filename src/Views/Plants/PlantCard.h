#pragma once

// PlantCard: one plant on the My Plants screen: its photo (or its species' picture) at 0.8 width
// to height with rounded corners and a soft shadow, the watering badge at the top trailing corner
// ("Thirsty" on red glass, "Today" on blue, "3d" on plain glass; none without a watering
// schedule), and below it the plant's name and its species. Painted in one piece; the pictures
// come from a shared PlantPictureCache, so a card costs no picture memory of its own. The shadow
// reaches past the card's edges, so the grid paints it behind the cards (paintShadow).
//
//   auto *card = new PlantCard(plant, pictures, grid);
//   connect(card, &PlantCard::clicked, ...);              // mouse click or the accessibility press
//   ContextMenu::attach(card, [=] { return items(plant); }); card->showContextMenu();
//   card->refresh();       // after the plant changed or a day began: repaints only on a difference
//   PlantCard::statusText(-2) == "Thirsty"; PlantCard::statusBadge(3)->text == "3d"
//
// For assistive technology a card is one list item named by the plant (and its species), with
// the status as its description and press and show-menu actions. Keyboard focus belongs to the
// grid around the cards, which marks one card current (setCurrent) and draws its ring.

#include "Models/Plant.h"
#include "Models/Species.h"

#include <QPointer>
#include <QStaticText>
#include <QWidget>

#include <optional>

class PlantPictureCache;
class QPainter;
class QVariantAnimation;
class Theme;

class PlantCard final : public QWidget
{
    Q_OBJECT

public:
    static constexpr qreal photoAspect = 0.8; // width : height
    static constexpr qreal symbolScale = 0.38;

    // What a card paints with, read from the theme at paint time.
    struct Style
    {
        qreal radius = 22;
        int spacing = 10;    // picture to texts
        int textSpacing = 2; // name to species
        int textPaddingH = 4;
        QColor shadow;
        qreal shadowBlur = 10;
        QPointF shadowOffset{0, 6};
        int badgeInset = 10;
        int badgePaddingH = 10;
        int badgePaddingV = 6;
        QFont badgeFont; // caption, semibold
        QColor thirsty, today, onTint, plainForeground;
        QFont nameFont;    // headline
        QFont speciesFont; // subheadline
        QColor name, species;
        QColor focusRing;
        qreal focusRingWidth = 2.5;
        qreal focusRingGap = 4; // between the picture's edge and the ring's centre line
        qreal pressedOpacity = 0.72;
        int fadeMilliseconds = 250;

        static Style from(const Theme &theme);
    };

    enum class BadgeTint : unsigned char { plain, blue, red };
    struct Badge
    {
        QString text;
        BadgeTint tint = BadgeTint::plain;
        bool whiteForeground = false; // else the primary text colour
        friend bool operator==(const Badge &, const Badge &) = default;
    };
    // From the days until watering is due: none without a watering schedule, "Thirsty" when
    // overdue, "Today", otherwise "{d}d".
    static std::optional<QString> statusText(std::optional<qint64> days);
    // The same status as a reader says it: "Thirsty, 2 days late", "Water today", "Water in 3 days".
    static std::optional<QString> spokenStatus(std::optional<qint64> days);
    static std::optional<Badge> statusBadge(std::optional<qint64> days);
    // Height below the picture: spacing and the two text lines.
    static int textHeight();
    // The soft shadow under a card's picture. The grid draws it behind the cards, since it
    // reaches past a card's edges.
    static void paintShadow(QPainter &painter, const QRectF &photo);
    // The keyboard focus ring around a current card's picture, also drawn by the grid: it
    // stands a little outside the card.
    static void paintFocusRing(QPainter &painter, const QRectF &photo);
    static QRectF focusRingRect(const QRectF &photo);

    PlantCard(Plant *plant, PlantPictureCache &pictures, QWidget *parent = nullptr);
    ~PlantCard() override;

    Plant *plant() const { return m_plant; }
    QString name() const { return m_name; }
    QString speciesName() const { return m_species.commonName; }
    std::optional<qint64> daysUntilWatering() const { return m_days; }
    std::optional<QString> statusText() const { return statusText(m_days); }
    std::optional<Badge> statusBadge() const { return statusBadge(m_days); }
    // "Monty, Monstera": what assistive technology reads for the card.
    QString accessibleText() const;

    // Re-reads the plant and the day; repaints (this card only) when what it shows changed.
    // Returns whether anything changed.
    bool refresh();

    bool isCurrent() const { return m_current; }
    void setCurrent(bool current);
    // Whether the plant's own photo was drawn last time (not the species picture).
    bool isShowingPhoto() const { return m_showingPhoto; }
    QRectF photoRect() const;

    // Opens the card's context menu as a right click would, at the picture's centre.
    void showContextMenu();

signals:
    // The card was chosen: a click or the accessibility press action.
    void clicked();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void elideTexts();
    void startFade();

    QPointer<Plant> m_plant;
    PlantPictureCache &m_pictures;
    QString m_name;
    Species m_species;
    std::optional<qint64> m_days;
    bool m_hasPhoto = false;
    quint64 m_photoRevision = 0;

    QStaticText m_nameText, m_speciesText;
    int m_elidedWidth = -1;
    bool m_current = false;
    bool m_pressed = false;
    bool m_pressInside = false;
    bool m_showingPhoto = false;
    bool m_painted = false;
    qreal m_fade = 1;
    QVariantAnimation *m_fadeAnimation = nullptr;
};
