#include "Views/Plants/PlantCard.h"

#include "Core/Calendar.h"
#include "Core/Formatting.h"
#include "Models/CareTask.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/GlassBadge.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/PlantPictureCache.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QVariantAnimation>

#include <cmath>

namespace {

const QString badgeSymbol = QStringLiteral("drop.fill");

// One element for assistive technology: the plant's name and species, the status as its
// description, and the two things a user does with a card.
class PlantCardAccessible final : public QAccessibleWidget
{
public:
    explicit PlantCardAccessible(PlantCard *card) : QAccessibleWidget(card, QAccessible::ListItem) {}

    PlantCard *card() const { return static_cast<PlantCard *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return card()->accessibleText();
        case QAccessible::Description:
        case QAccessible::Help:
            return PlantCard::spokenStatus(card()->daysUntilWatering()).value_or(QString());
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.focusable = true;
        state.selectable = true;
        state.focused = card()->isCurrent() && card()->parentWidget() && card()->parentWidget()->hasFocus();
        state.selected = card()->isCurrent();
        // Cards are made half a screen ahead of the view: those are not on screen yet.
        state.offscreen = !Accessibility::isShowing(card());
        return state;
    }

    // The card is one element: nothing inside it is read on its own.
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }

    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    // On the next turn: the reader is still waiting for this call, and the menu or the plant's
    // screen must not hold it up.
    void doAction(const QString &action) override
    {
        if (action != pressAction() && action != showMenuAction())
            return;
        QTimer::singleShot(0, card(), [target = QPointer<PlantCard>(card()), action] {
            if (!target || !target->isVisible())
                return;
            if (action == pressAction())
                emit target->clicked();
            else
                target->showContextMenu();
        });
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction())
            return {QStringLiteral("Return")};
        if (action == showMenuAction())
            return {QStringLiteral("Menu"), QStringLiteral("Shift+F10")};
        return {};
    }
};

QAccessibleInterface *cardFactory(const QString &, QObject *object)
{
    if (auto *card = qobject_cast<PlantCard *>(object))
        return new PlantCardAccessible(card);
    return nullptr;
}

QColor badgeTint(PlantCard::BadgeTint tint, const PlantCard::Style &style)
{
    switch (tint) {
    case PlantCard::BadgeTint::red:
        return style.thirsty;
    case PlantCard::BadgeTint::blue:
        return style.today;
    case PlantCard::BadgeTint::plain:
        break;
    }
    return {};
}

} // namespace

PlantCard::Style PlantCard::Style::from(const Theme &theme)
{
    Style s;
    s.shadow = theme.colors.shadow;
    s.badgeFont = theme.font(TextStyle::caption, QFont::DemiBold);
    s.thirsty = theme.solidColor(ColorRole::red);
    s.today = theme.solidColor(ColorRole::blue);
    s.onTint = theme.colors.onAccent;
    s.plainForeground = theme.colors.label;
    s.nameFont = theme.font(TextStyle::headline);
    s.speciesFont = theme.font(TextStyle::subheadline);
    s.name = theme.colors.label;
    s.species = theme.colors.secondaryLabel;
    s.focusRing = theme.colors.focusRing;
    s.focusRingWidth = theme.button.focusRingWidth;
    return s;
}

std::optional<QString> PlantCard::statusText(std::optional<qint64> days)
{
    if (!days)
        return std::nullopt;
    if (*days < 0)
        return tr("Thirsty");
    if (*days == 0)
        return tr("Today");
    return tr("%1d").arg(*days);
}

std::optional<QString> PlantCard::spokenStatus(std::optional<qint64> days)
{
    if (!days)
        return std::nullopt;
    if (*days < 0)
        return tr("Thirsty, %1").arg(CareTask::dueText(*days));
    if (*days == 0)
        return tr("Water today");
    if (*days == 1)
        return tr("Water tomorrow");
    return tr("Water in %1 days").arg(*days);
}

std::optional<PlantCard::Badge> PlantCard::statusBadge(std::optional<qint64> days)
{
    const std::optional<QString> text = statusText(days);
    if (!text)
        return std::nullopt;
    const BadgeTint tint = *days < 0 ? BadgeTint::red : *days == 0 ? BadgeTint::blue : BadgeTint::plain;
    return Badge{*text, tint, *days < 1};
}

int PlantCard::textHeight()
{
    const Style style = Style::from(Theme::current());
    return style.spacing + QFontMetrics(style.nameFont).height() + style.textSpacing +
           QFontMetrics(style.speciesFont).height();
}

PlantCard::PlantCard(Plant *plant, PlantPictureCache &pictures, QWidget *parent)
    : QWidget(parent), m_plant(plant), m_pictures(pictures), m_species(Species::custom())
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(cardFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setObjectName(QStringLiteral("plantCard"));
    // The grid holds the keyboard focus and marks a current card; a card never takes it.
    setFocusPolicy(Qt::NoFocus);
    m_nameText.setTextFormat(Qt::PlainText);
    m_speciesText.setTextFormat(Qt::PlainText);
    m_nameText.setPerformanceHint(QStaticText::AggressiveCaching);
    m_speciesText.setPerformanceHint(QStaticText::AggressiveCaching);
    if (plant)
        connect(plant, &Plant::changed, this, &PlantCard::refresh);
    refresh();
}

PlantCard::~PlantCard() = default;

QString PlantCard::accessibleText() const
{
    if (m_species.commonName.isEmpty())
        return m_name;
    // The name is the user's and may run right to left: keep it from reordering the rest.
    return Formatting::isolated(m_name) + QStringLiteral(", ") + m_species.commonName;
}

bool PlantCard::refresh()
{
    if (!m_plant)
        return false;
    const QString name = m_plant->name();
    const Species &species = Species::find(m_plant->speciesID());
    const std::optional<qint64> days = m_plant->daysUntilDue(CareKind::water, Calendar::current().now());
    const bool hasPhoto = m_plant->hasPhoto();
    const quint64 revision = m_plant->photoRevision();
    if (name == m_name && species.id == m_species.id && days == m_days && hasPhoto == m_hasPhoto &&
        revision == m_photoRevision)
        return false;

    const bool textsChanged = name != m_name || species.id != m_species.id;
    const bool statusChanged = days != m_days;
    m_name = name;
    if (species.id != m_species.id)
        m_species = species;
    m_days = days;
    m_hasPhoto = hasPhoto;
    m_photoRevision = revision;
    if (textsChanged)
        m_elidedWidth = -1;
    update();

    if (textsChanged) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
    if (statusChanged) {
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&event);
    }
    return true;
}

void PlantCard::setCurrent(bool current)
{
    m_current = current;
}

QRectF PlantCard::photoRect() const
{
    return {0, 0, qreal(width()), std::round(width() / photoAspect)};
}

void PlantCard::showContextMenu()
{
    emit customContextMenuRequested(photoRect().center().toPoint());
}

bool PlantCard::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // A name or species cut short shows whole in the tool tip.
    elideTexts();
    QStringList whole;
    if (m_nameText.text() != m_name)
        whole.append(m_name);
    if (m_speciesText.text() != m_species.commonName)
        whole.append(m_species.commonName);
    if (whole.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                       TextLabel::plainToolTip(whole.join(QLatin1Char('\n'))), this);
    return true;
}

void PlantCard::elideTexts()
{
    const Style style = Style::from(Theme::current());
    const int available = std::max(0, width() - 2 * style.textPaddingH);
    if (available == m_elidedWidth)
        return;
    m_elidedWidth = available;
    m_nameText.setText(QFontMetrics(style.nameFont).elidedText(m_name, Qt::ElideRight, available));
    m_speciesText.setText(
        QFontMetrics(style.speciesFont).elidedText(m_species.commonName, Qt::ElideRight, available));
}

void PlantCard::startFade()
{
    if (!m_fadeAnimation) {
        m_fadeAnimation = new QVariantAnimation(this);
        m_fadeAnimation->setStartValue(0.0);
        m_fadeAnimation->setEndValue(1.0);
        m_fadeAnimation->setEasingCurve(QEasingCurve::InOutQuad);
        connect(m_fadeAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
            m_fade = value.toReal();
            update(photoRect().toAlignedRect());
        });
    }
    m_fadeAnimation->setDuration(Style().fadeMilliseconds);
    m_fade = 0;
    m_fadeAnimation->start();
}

void PlantCard::paintEvent(QPaintEvent *)
{
    const Style style = Style::from(Theme::current());
    QPainter p(this);
    Painting::setHighQuality(p);
    if (m_pressed && m_pressInside)
        p.setOpacity(style.pressedOpacity);

    const QRectF photo = photoRect();
    const PlantPictureCache::Frame frame{photo.size(), devicePixelRatioF(), style.radius};
    const QImage backdrop = m_pictures.backdrop(m_species, frame, symbolScale);
    p.drawImage(photo, backdrop);
    const QImage picture = m_plant && m_hasPhoto ? m_pictures.photo(m_plant, frame) : QImage();
    const bool showing = !picture.isNull();
    // A photo that arrives while the card is on screen fades in over the species picture.
    if (showing && !m_showingPhoto && m_painted && isVisible())
        startFade();
    m_showingPhoto = showing;
    m_painted = true;
    if (showing) {
        p.save();
        p.setOpacity(p.opacity() * (m_fadeAnimation && m_fadeAnimation->state() == QAbstractAnimation::Running
                                        ? m_fade
                                        : 1.0));
        p.drawImage(photo, picture);
        p.restore();
    }

    if (const std::optional<Badge> badge = statusBadge()) {
        GlassBadge::Content content;
        content.text = badge->text;
        content.symbol = badgeSymbol;
        if (badge->tint != BadgeTint::plain)
            content.tint = badgeTint(badge->tint, style);
        content.foreground = badge->whiteForeground ? style.onTint : style.plainForeground;
        content.font = style.badgeFont;
        content.paddingH = style.badgePaddingH;
        content.paddingV = style.badgePaddingV;
        const Qt::Corner corner =
            layoutDirection() == Qt::RightToLeft ? Qt::TopLeftCorner : Qt::TopRightCorner;
        GlassBadge::paint(p, Shapes::badgeRect(photo, GlassBadge::sizeFor(content), corner, style.badgeInset),
                          content);
    }

    elideTexts();
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    const qreal nameTop = photo.bottom() + style.spacing;
    const qreal speciesTop = nameTop + QFontMetrics(style.nameFont).height() + style.textSpacing;
    auto drawLine = [&](const QStaticText &text, const QFont &font, const QColor &color, qreal top) {
        const qreal x = rightToLeft ? width() - style.textPaddingH - text.size().width() : style.textPaddingH;
        p.setFont(font);
        p.setPen(color);
        p.drawStaticText(QPointF(x, top), text);
    };
    drawLine(m_nameText, style.nameFont, style.name, nameTop);
    drawLine(m_speciesText, style.speciesFont, style.species, speciesTop);
}

void PlantCard::paintShadow(QPainter &painter, const QRectF &photo)
{
    const Style style = Style::from(Theme::current());
    Painting::drawShadow(painter, photo, style.radius, style.shadow, style.shadowBlur, style.shadowOffset);
}

QRectF PlantCard::focusRingRect(const QRectF &photo)
{
    const Style style = Style::from(Theme::current());
    return photo.adjusted(-style.focusRingGap, -style.focusRingGap, style.focusRingGap, style.focusRingGap);
}

void PlantCard::paintFocusRing(QPainter &painter, const QRectF &photo)
{
    const Style style = Style::from(Theme::current());
    Painting::drawFocusRing(
        painter, Shapes::continuousRoundedRect(focusRingRect(photo), style.radius + style.focusRingGap),
        style.focusRing, style.focusRingWidth);
}

void PlantCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_elidedWidth = -1;
}

void PlantCard::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_pressInside = true;
    update();
    event->accept();
}

void PlantCard::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    // Dragging off the card drops the pressed look, as a button does.
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_pressInside) {
        m_pressInside = inside;
        update();
    }
    event->accept();
}

void PlantCard::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    update();
    event->accept();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}
