#include "Views/Components/GlassButton.h"

#include "Core/Formatting.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

namespace {

// The text as Qt shows a button's text: "&&" is one "&", a single "&" marks a mnemonic.
QString shownText(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&'))
                shown += text[++i];
            continue;
        }
        shown += text[i];
    }
    return shown;
}

} // namespace

GlassButton::GlassButton(const QString &text, const QString &symbol, Style style, QWidget *parent)
    : QAbstractButton(parent), m_symbol(symbol), m_style(style)
{
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, &GlassButton::showMenu);
}

GlassButton *GlassButton::circular(const QString &symbol, const std::optional<ThemeColor> &tint, int diameter,
                                   const QString &accessibleName, QWidget *parent)
{
    auto *button = new GlassButton(Formatting::mnemonicEscaped(accessibleName), symbol, Style::glass, parent);
    button->setShape(Shape::circle);
    button->setDiameter(diameter);
    button->setSymbolOnly(true);
    button->setAccessibleName(accessibleName);
    button->setTint(tint);
    button->setContentFont(Theme::current().font(TextStyle::body, QFont::DemiBold));
    return button;
}

void GlassButton::setButtonStyle(Style style)
{
    m_style = style;
    updateGeometry();
    update();
}

void GlassButton::setShape(Shape shape)
{
    m_shape = shape;
    updateGeometry();
    update();
}

void GlassButton::setControlSize(ControlSize size)
{
    m_size = size;
    updateGeometry();
    update();
}

void GlassButton::setRole(Role role)
{
    m_role = role;
    update();
}

void GlassButton::setTint(const std::optional<ThemeColor> &tint)
{
    m_tint = tint;
    update();
}

void GlassButton::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void GlassButton::setSymbolOnly(bool symbolOnly)
{
    m_symbolOnly = symbolOnly;
    if (symbolOnly)
        setAccessibleName(shownText(text()));
    updateGeometry();
    update();
}

void GlassButton::setDiameter(int diameter)
{
    m_diameter = diameter;
    updateGeometry();
}

void GlassButton::setExpanding(bool expanding)
{
    m_expanding = expanding;
    setSizePolicy(expanding ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateGeometry();
}

void GlassButton::setMenu(QMenu *menu)
{
    m_menu = menu;
    // Readers say "menu button": its Press opens the menu.
    if (menu)
        Accessibility::setRole(this, QAccessible::ButtonMenu);
    else
        Accessibility::clearRole(this);
}

void GlassButton::setContentFont(const QFont &font)
{
    m_font = font;
    updateGeometry();
    update();
}

QFont GlassButton::contentFont() const
{
    if (m_font)
        return *m_font;
    const ButtonStyle &s = Theme::current().button;
    switch (m_size) {
    case ControlSize::small:
        return s.smallFont;
    case ControlSize::large:
        return s.largeFont;
    case ControlSize::regular:
        break;
    }
    return s.font;
}

int GlassButton::controlHeight() const
{
    if (m_shape == Shape::circle && m_diameter > 0)
        return m_diameter;
    const ButtonStyle &s = Theme::current().button;
    switch (m_size) {
    case ControlSize::small:
        return s.smallHeight;
    case ControlSize::large:
        return s.largeHeight;
    case ControlSize::regular:
        break;
    }
    return s.height;
}

QColor GlassButton::tintColor(Shade shade) const
{
    const Theme &t = Theme::current();
    const ThemeColor tint = m_role == Role::destructive ? ThemeColor(ColorRole::red)
                            : m_tint                    ? *m_tint
                                                        : ThemeColor(ColorRole::accent);
    switch (shade) {
    case Shade::text:
        return tint.asText().resolve(t);
    case Shade::solid:
        return tint.asSolid().resolve(t);
    case Shade::tint:
        break;
    }
    return tint.resolve(t);
}

QSize GlassButton::sizeHint() const
{
    const int h = controlHeight();
    if (m_shape == Shape::circle)
        return {h, h};
    const ButtonStyle &s = Theme::current().button;
    const QFontMetrics fm(contentFont());
    int w = 0;
    if (!m_symbol.isEmpty())
        w += Symbols::sizeFor(contentFont());
    if (!m_symbolOnly && !text().isEmpty())
        w += (w > 0 ? s.iconSpacing : 0) + fm.horizontalAdvance(shownText(text()));
    const int padding = m_style == Style::borderless ? 8 : (m_size == ControlSize::small ? 10 : s.paddingH);
    // The painted shape is inset by 1.5 px on each side for the focus ring; keep the text whole.
    return {qMax(w + 2 * padding + 4, h), h};
}

QSize GlassButton::minimumSizeHint() const
{
    return sizeHint();
}

void GlassButton::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    const ButtonStyle &s = t.button;
    const bool dark = t.appearance == Appearance::dark;
    QPainter p(this);
    Painting::setHighQuality(p);

    QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    if (m_shape == Shape::circle) {
        const qreal side = qMin(r.width(), r.height());
        r = QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
    }
    QPainterPath shape;
    switch (m_shape) {
    case Shape::capsule:
        shape = Shapes::capsule(r);
        break;
    case Shape::circle:
        shape.addEllipse(r);
        break;
    case Shape::roundedRect:
        shape = Shapes::continuousRoundedRect(r, qMin(r.height() / 2, 10.0));
        break;
    }

    const bool enabled = isEnabled();
    const bool pressed = isDown();
    const bool hovered = underMouse() && enabled;
    const QColor tint = tintColor(Shade::tint);
    QColor foreground;

    switch (m_style) {
    case Style::glass: {
        if (enabled)
            Painting::drawShadow(p, r, r.height() / 2, Theme::withAlpha(Qt::black, dark ? 0.25 : 0.06), 4,
                                 QPointF(0, 1));
        const bool tinted = m_tint.has_value() || m_role == Role::destructive;
        Painting::drawGlass(p, shape, s.glassFill, s.glassBorder,
                            tinted ? std::optional<QColor>(tint) : std::nullopt, s.glassTintAlpha);
        foreground = tinted ? tintColor(Shade::text) : t.colors.label;
        break;
    }
    case Style::prominentGlass: {
        const QColor solid = tintColor(Shade::solid);
        const QColor fill = enabled ? solid : Theme::withAlpha(solid, 0.4);
        if (enabled)
            Painting::drawShadow(p, r, r.height() / 2, Theme::withAlpha(solid, 0.28), 6, QPointF(0, 2));
        p.fillPath(shape, fill);
        // A soft highlight on the upper half gives the filled button its glassy depth.
        QLinearGradient sheen(r.topLeft(), r.bottomLeft());
        sheen.setColorAt(0, Theme::withAlpha(Qt::white, 0.22));
        sheen.setColorAt(0.55, Theme::withAlpha(Qt::white, 0.0));
        p.fillPath(shape, sheen);
        foreground = s.prominentForeground;
        break;
    }
    case Style::bordered:
        p.fillPath(shape, s.borderedFill);
        foreground = (m_role == Role::destructive || m_tint) ? tintColor(Shade::text) : t.colors.label;
        break;
    case Style::borderless:
        foreground = tintColor(Shade::text);
        break;
    }

    if (enabled && (pressed || hovered)) {
        const QColor wash =
            (m_style == Style::prominentGlass || dark) ? QColor(Qt::white) : QColor(Qt::black);
        const qreal alpha = pressed ? s.pressedDarken : s.hoverLighten;
        if (pressed && m_style == Style::prominentGlass)
            p.fillPath(shape, Theme::withAlpha(Qt::black, alpha));
        else
            p.fillPath(shape, Theme::withAlpha(wash, m_style == Style::borderless ? alpha * 0.8 : alpha));
    }
    if (!enabled)
        foreground = s.disabledForeground;

    // Content: symbol then text, centred as a group.
    const QFont font = contentFont();
    const QFontMetrics fm(font);
    const int iconSize = m_symbol.isEmpty() ? 0 : Symbols::sizeFor(font);
    const bool showText = !m_symbolOnly && !text().isEmpty();
    const QString label = showText ? shownText(text()) : QString();
    const int textWidth = showText ? fm.horizontalAdvance(label) : 0;
    const int gap = (iconSize > 0 && showText) ? s.iconSpacing : 0;
    const int padding = m_style == Style::borderless ? 8 : (m_size == ControlSize::small ? 10 : s.paddingH);
    const int available = qMax(0, int(r.width()) - 2 * padding);
    const int shownTextWidth = qMin(textWidth, qMax(0, available - iconSize - gap));
    const qreal total = iconSize + gap + shownTextWidth;
    qreal x = r.center().x() - total / 2.0;
    if (iconSize > 0) {
        Symbols::paint(p, QRectF(x, r.center().y() - iconSize / 2.0, iconSize, iconSize), m_symbol,
                       foreground);
        x += iconSize + gap;
    }
    if (showText) {
        p.setFont(font);
        p.setPen(foreground);
        p.drawText(QRectF(x, r.top(), shownTextWidth + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(label, Qt::ElideRight, shownTextWidth + 1));
    }

    if (hasFocus() && m_keyboardFocus) {
        auto outline = [this](const QRectF &rect) {
            QPainterPath path;
            if (m_shape == Shape::circle)
                path.addEllipse(rect);
            else if (m_shape == Shape::capsule)
                path = Shapes::capsule(rect);
            else
                path = Shapes::continuousRoundedRect(rect, qMin(rect.height() / 2, 11.0));
            return path;
        };
        // The ring sits on the button's edge; a light (or dark) line inside it keeps it visible on
        // a button filled or tinted with the ring's own colour.
        const qreal gapInset = s.focusRingWidth / 2 + 0.5;
        Painting::drawFocusRing(p, outline(r.adjusted(gapInset, gapInset, -gapInset, -gapInset)),
                                s.focusRingGap, 1.5);
        Painting::drawFocusRing(p, outline(r.adjusted(-0.25, -0.25, 0.25, 0.25)), s.focusRing,
                                s.focusRingWidth);
    }
}

void GlassButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isEnabled()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void GlassButton::focusInEvent(QFocusEvent *event)
{
    const Qt::FocusReason reason = event->reason();
    m_keyboardFocus =
        reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
    QAbstractButton::focusInEvent(event);
}

void GlassButton::focusOutEvent(QFocusEvent *event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

bool GlassButton::event(QEvent *event)
{
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave)
        update();
    return QAbstractButton::event(event);
}

void GlassButton::setMenuAnchor(QWidget *anchor)
{
    m_menuAnchor = anchor;
}

void GlassButton::showMenu()
{
    if (!m_menu)
        return;
    QRect below(mapToGlobal(QPoint(0, 0)), size());
    if (m_menuAnchor)
        below |= QRect(m_menuAnchor->mapToGlobal(QPoint(0, 0)), m_menuAnchor->size());
    m_menu->setMinimumWidth(below.width());
    const int width = qMax(below.width(), m_menu->sizeHint().width());
    const int x = layoutDirection() == Qt::RightToLeft ? below.right() + 1 - width : below.left();
    m_menu->popup(QPoint(x, below.bottom() + 1 + 4));
}
