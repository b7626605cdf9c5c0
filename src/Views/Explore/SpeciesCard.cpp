#include "Views/Explore/SpeciesCard.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassBadge.h"
#include "Views/Components/Painting.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

QFont nameFont()
{
    return Theme::current().font(TextStyle::headline);
}

QFont scientificFont()
{
    QFont font = Theme::current().font(TextStyle::caption);
    font.setItalic(true);
    return font;
}

QFont factFont()
{
    return Theme::current().font(TextStyle::caption, QFont::Medium);
}

int factHeight()
{
    const QFont font = factFont();
    return std::max(Symbols::sizeFor(font), QFontMetrics(font).height());
}

// Above the picture: the card's outline, the hover and press washes and the focus ring, so they
// are drawn over the photograph too.
class CardChrome final : public QWidget
{
public:
    explicit CardChrome(SpeciesCard *card) : QWidget(card), m_card(card)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const Theme &t = Theme::current();
        const CardStyle &s = t.card;
        QPainter p(this);
        Painting::setHighQuality(p);
        const QRectF r(rect());
        if (m_card->isPressed())
            p.fillPath(Shapes::continuousRoundedRect(r, s.radius), t.list.rowPressed);
        else if (m_card->underMouse())
            p.fillPath(Shapes::continuousRoundedRect(r, s.radius), t.list.rowHover);
        Painting::drawRoundedRect(p, r, s.radius, Qt::transparent, s.border, s.borderWidth);
        if (Painting::showsFocusRing(m_card))
            Painting::drawFocusRing(
                p, Shapes::continuousRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), s.radius - 1.5),
                t.colors.focusRing, t.button.focusRingWidth);
    }

private:
    SpeciesCard *m_card;
};

} // namespace

const SpeciesCard::Style &SpeciesCard::style()
{
    static const Style s;
    return s;
}

int SpeciesCard::cardHeight()
{
    const Style &s = style();
    return s.pictureHeight + 2 * s.padding + QFontMetrics(nameFont()).height() + s.lineSpacing +
           QFontMetrics(scientificFont()).height() + s.lineSpacing + factHeight();
}

SpeciesCard::SpeciesCard(const Species &species, QWidget *parent) : QWidget(parent), m_species(species)
{
    const Style &s = style();
    setObjectName(QStringLiteral("speciesCard-") + species.id);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::ClickFocus);

    m_picture = new PlantPhotoView(std::nullopt, species, s.symbolScale, this);
    m_picture->setCornerRadius(Theme::current().card.radius, Shapes::topCorners);
    m_picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (species.petSafe) {
        m_petBadge = new GlassBadge({}, QStringLiteral("pawprint.fill"), this);
        m_petBadge->setCircular(true);
        m_petBadge->setTextStyle(TextStyle::caption, QFont::Normal);
        m_petBadge->setPadding(s.badgePadding, s.badgePadding);
        m_petBadge->setAccessibleName(tr("Pet safe"));
    }
    m_chrome = new CardChrome(this);
    setToolTip(species.commonName);
    // One list item for the whole card: named after the species, its other texts as the
    // description, and "Press" opening it as Enter does.
    setAccessibleName(species.commonName);
    setAccessibleDescription(accessibleSummary());
    Accessibility::setRole(this, QAccessible::ListItem);
    Accessibility::setLeaf(this);
    Accessibility::setPressKey(this, Qt::Key_Return);
}

QString SpeciesCard::waterText() const
{
    return QString::number(m_species.waterDays) + QLatin1Char('d');
}

QString SpeciesCard::accessibleSummary() const
{
    QStringList parts{m_species.scientificName};
    if (m_species.petSafe)
        parts.append(tr("Pet safe"));
    parts.append(m_species.waterDays == 1 ? tr("Water every day")
                                          : tr("Water every %1 days").arg(m_species.waterDays));
    parts.append(m_species.difficulty.label());
    return parts.join(QStringLiteral(", "));
}

QSize SpeciesCard::sizeHint() const
{
    return {220, cardHeight()};
}

void SpeciesCard::activate()
{
    emit activated();
}

const SpeciesCard::Texts &SpeciesCard::texts(int width)
{
    const QFont name = nameFont(), scientific = scientificFont(), fact = factFont();
    Texts &t = m_texts;
    if (t.width == width && t.direction == layoutDirection() && t.nameFont == name &&
        t.scientificFont == scientific && t.factFont == fact)
        return t;
    t.width = width;
    t.direction = layoutDirection();
    t.nameFont = name;
    t.scientificFont = scientific;
    t.factFont = fact;
    QTextOption option;
    option.setTextDirection(t.direction);
    option.setWrapMode(QTextOption::NoWrap);
    const auto prepare = [&](QStaticText &text, const QFont &font, const QString &string) {
        text.setTextFormat(Qt::PlainText);
        text.setTextOption(option);
        text.setText(string);
        text.prepare(QTransform(), font);
    };
    prepare(t.commonName, name, QFontMetrics(name).elidedText(m_species.commonName, Qt::ElideRight, width));
    prepare(t.scientificName, scientific,
            QFontMetrics(scientific).elidedText(m_species.scientificName, Qt::ElideRight, width));
    prepare(t.water, fact, waterText());
    prepare(t.difficulty, fact, m_species.difficulty.label());
    t.waterAdvance = QFontMetrics(fact).horizontalAdvance(waterText());
    t.difficultyAdvance = QFontMetrics(fact).horizontalAdvance(m_species.difficulty.label());
    return t;
}

void SpeciesCard::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const Style &s = style();
    QPainter p(this);
    Painting::setHighQuality(p);
    Painting::drawRoundedRect(p, QRectF(rect()), t.card.radius, t.card.background);

    const Qt::LayoutDirection direction = layoutDirection();
    const int x = s.padding;
    const int width = std::max(0, this->width() - 2 * s.padding);
    const Texts &texts = this->texts(width);
    // Each text sits in its box as a leading-aligned, vertically centred line would.
    const auto place = [&](const QStaticText &text, const QFont &font, const QRect &box,
                           const QColor &color) {
        const QFontMetricsF fm(font);
        const qreal left =
            direction == Qt::RightToLeft ? box.x() + box.width() - text.size().width() : qreal(box.x());
        p.setFont(font);
        p.setPen(color);
        p.drawStaticText(QPointF(left, box.y() + (box.height() - (fm.ascent() + fm.descent())) / 2), text);
    };
    int y = s.pictureHeight + s.padding;
    const auto line = [&](const QStaticText &text, const QFont &font, const QColor &color) {
        const int height = QFontMetrics(font).height();
        place(text, font, QStyle::visualRect(direction, rect(), QRect(x, y, width, height)), color);
        y += height + s.lineSpacing;
    };
    line(texts.commonName, texts.nameFont, t.colors.label);
    line(texts.scientificName, texts.scientificFont, t.colors.secondaryLabel);

    // The facts row: "{days}d" with a drop in blue, then the difficulty with a gauge.
    const QFont &font = texts.factFont;
    const int icon = Symbols::sizeFor(font);
    const int rowHeight = factHeight();
    int fx = x;
    const auto fact = [&](const QString &symbol, const QStaticText &text, int textWidth, const QColor &color,
                          const QColor &textColor) {
        const QRect iconBox =
            QStyle::visualRect(direction, rect(), QRect(fx, y + (rowHeight - icon) / 2, icon, icon));
        Symbols::paint(p, QRectF(iconBox), symbol, color);
        // The symbol keeps the colour; the text takes its readable shade.
        place(text, font,
              QStyle::visualRect(direction, rect(),
                                 QRect(fx + icon + s.iconSpacing, y, textWidth + 1, rowHeight)),
              textColor);
        fx += icon + s.iconSpacing + textWidth + s.factSpacing;
    };
    fact(QStringLiteral("drop.fill"), texts.water, texts.waterAdvance, t.colors.blue,
         t.textColor(ColorRole::blue));
    fact(m_species.difficulty.symbol(), texts.difficulty, texts.difficultyAdvance, t.colors.secondaryLabel,
         t.colors.secondaryLabel);
}

void SpeciesCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeLayers();
}

void SpeciesCard::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The badge moves to the other corner when the direction turns.
    if (event->type() == QEvent::LayoutDirectionChange)
        placeLayers();
}

void SpeciesCard::placeLayers()
{
    const Style &s = style();
    const QRect pictureRect(0, 0, width(), s.pictureHeight);
    m_picture->setGeometry(pictureRect);
    if (m_petBadge) {
        const Qt::Corner corner =
            layoutDirection() == Qt::RightToLeft ? Qt::TopRightCorner : Qt::TopLeftCorner;
        m_petBadge->setGeometry(
            Shapes::badgeRect(QRectF(pictureRect), QSizeF(m_petBadge->sizeHint()), corner, s.badgeInset)
                .toRect());
    }
    m_chrome->setGeometry(rect());
    m_chrome->raise();
}

void SpeciesCard::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        setPressed(true);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void SpeciesCard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        setPressed(false);
        if (rect().contains(event->position().toPoint()))
            activate();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void SpeciesCard::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat())
            activate();
        event->accept();
        return;
    default:
        // Arrows and the rest go on to the grid.
        event->ignore();
    }
}

void SpeciesCard::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_chrome->update();
}

void SpeciesCard::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_chrome->update();
}

bool SpeciesCard::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
        m_chrome->update();
        break;
    case QEvent::Leave:
        setPressed(false);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void SpeciesCard::setPressed(bool pressed)
{
    if (m_pressed == pressed)
        return;
    m_pressed = pressed;
    m_chrome->update();
}
