#include "Views/Components/GlassBadge.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Symbols.h"

#include <QPainter>

GlassBadge::GlassBadge(const QString &text, const QString &symbol, QWidget *parent)
    : QWidget(parent), m_text(text), m_symbol(symbol)
{
    const BadgeStyle &s = Theme::current().badge;
    m_font = s.font;
    m_paddingH = s.paddingH;
    m_paddingV = s.paddingV;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(text);
}

void GlassBadge::setText(const QString &text)
{
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void GlassBadge::setSymbol(const QString &symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

void GlassBadge::setTint(const std::optional<QColor> &tint)
{
    m_tint = tint;
    update();
}

void GlassBadge::setForeground(const std::optional<QColor> &color)
{
    m_foreground = color;
    update();
}

QColor GlassBadge::foreground() const
{
    if (m_foreground)
        return *m_foreground;
    return m_tint ? QColor(Qt::white) : Theme::current().badge.foreground;
}

void GlassBadge::setCircular(bool circular)
{
    m_circular = circular;
    updateGeometry();
    update();
}

void GlassBadge::setPadding(int horizontal, int vertical)
{
    m_paddingH = horizontal;
    m_paddingV = vertical;
    updateGeometry();
}

void GlassBadge::setTextStyle(TextStyle style, QFont::Weight weight)
{
    m_font = Theme::current().font(style, weight);
    updateGeometry();
    update();
}

QSize GlassBadge::sizeHint() const
{
    const QFontMetrics fm(m_font);
    const int icon = m_symbol.isEmpty() ? 0 : Symbols::sizeFor(m_font);
    if (m_circular) {
        const int side = qMax(icon, fm.height()) + 2 * m_paddingV;
        return {side, side};
    }
    const int textWidth = m_text.isEmpty() ? 0 : fm.horizontalAdvance(m_text);
    const int gap = (icon > 0 && textWidth > 0) ? Theme::current().badge.iconSpacing : 0;
    const int h = qMax(icon, fm.height()) + 2 * m_paddingV;
    return {qMax(h, icon + gap + textWidth + 2 * m_paddingH), h};
}

void GlassBadge::paintEvent(QPaintEvent *)
{
    const BadgeStyle &s = Theme::current().badge;
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    if (m_circular)
        shape.addEllipse(r);
    else
        shape = Shapes::capsule(r);
    if (m_tint)
        Painting::drawGlass(p, shape, Theme::withAlpha(*m_tint, s.tintAlpha),
                            Theme::withAlpha(Qt::white, 0.35), std::nullopt, 0);
    else
        Painting::drawGlass(p, shape, s.glassFill, s.glassBorder, std::nullopt, 0);

    const QColor fg = foreground();
    const QFontMetrics fm(m_font);
    const int icon = m_symbol.isEmpty() ? 0 : Symbols::sizeFor(m_font);
    const bool showText = !m_circular && !m_text.isEmpty();
    const int textWidth = showText ? fm.horizontalAdvance(m_text) : 0;
    const int gap = (icon > 0 && showText) ? s.iconSpacing : 0;
    qreal x = r.center().x() - (icon + gap + textWidth) / 2.0;
    if (icon > 0) {
        Symbols::paint(p, QRectF(x, r.center().y() - icon / 2.0, icon, icon), m_symbol, fg);
        x += icon + gap;
    }
    if (showText) {
        p.setFont(m_font);
        p.setPen(fg);
        p.drawText(QRectF(x, r.top(), textWidth + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft, m_text);
    }
}
