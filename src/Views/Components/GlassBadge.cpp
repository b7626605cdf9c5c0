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

std::optional<QColor> GlassBadge::tint() const
{
    return m_tint ? std::optional<QColor>(m_tint->resolve()) : std::nullopt;
}

void GlassBadge::setTint(const std::optional<ThemeColor> &tint)
{
    m_tint = tint;
    update();
}

void GlassBadge::setForeground(const std::optional<ThemeColor> &color)
{
    m_foreground = color;
    update();
}

QColor GlassBadge::foreground() const
{
    if (m_foreground)
        return m_foreground->resolve();
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

GlassBadge::Content GlassBadge::content() const
{
    return {m_text, m_symbol, tint(), foreground(), m_font, m_paddingH, m_paddingV, m_circular};
}

QSize GlassBadge::sizeHint() const
{
    return sizeFor(content());
}

void GlassBadge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const Content c = content();
    const BadgeStyle &s = Theme::current().badge;
    // Badges repaint alike on every card of a grid: the same look is drawn once.
    const QString key = QStringList{QStringLiteral("badge"),
                                    c.tint ? QString::number(c.tint->rgba(), 16) : QStringLiteral("none"),
                                    QString::number(c.foreground.rgba(), 16),
                                    QString::number(s.glassFill.rgba(), 16),
                                    QString::number(s.glassBorder.rgba(), 16),
                                    QString::number(s.tintAlpha),
                                    QString::number(s.iconSpacing),
                                    QString::number(c.circular),
                                    c.font.key(),
                                    c.symbol,
                                    c.text}
                            .join(QLatin1Char('|'));
    Painting::drawCached(p, QRectF(rect()), key,
                         [&c](QPainter &painter, const QRectF &box) { paint(painter, box, c); });
}

QSize GlassBadge::sizeFor(const Content &content)
{
    const QFontMetrics fm(content.font);
    const int icon = content.symbol.isEmpty() ? 0 : Symbols::sizeFor(content.font);
    if (content.circular) {
        const int side = qMax(icon, fm.height()) + 2 * content.paddingV;
        return {side, side};
    }
    const int textWidth = content.text.isEmpty() ? 0 : fm.horizontalAdvance(content.text);
    const int gap = (icon > 0 && textWidth > 0) ? Theme::current().badge.iconSpacing : 0;
    const int h = qMax(icon, fm.height()) + 2 * content.paddingV;
    return {qMax(h, icon + gap + textWidth + 2 * content.paddingH), h};
}

void GlassBadge::paint(QPainter &p, const QRectF &rect, const Content &content)
{
    const BadgeStyle &s = Theme::current().badge;
    p.save();
    Painting::setHighQuality(p);
    const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    if (content.circular)
        shape.addEllipse(r);
    else
        shape = Shapes::capsule(r);
    if (content.tint)
        Painting::drawGlass(p, shape, Theme::withAlpha(*content.tint, s.tintAlpha),
                            Theme::withAlpha(Qt::white, 0.35), std::nullopt, 0);
    else
        Painting::drawGlass(p, shape, s.glassFill, s.glassBorder, std::nullopt, 0);

    const QColor fg = content.foreground;
    const QFontMetrics fm(content.font);
    const int icon = content.symbol.isEmpty() ? 0 : Symbols::sizeFor(content.font);
    const bool showText = !content.circular && !content.text.isEmpty();
    const int textWidth = showText ? fm.horizontalAdvance(content.text) : 0;
    const int gap = (icon > 0 && showText) ? s.iconSpacing : 0;
    qreal x = r.center().x() - (icon + gap + textWidth) / 2.0;
    if (icon > 0) {
        Symbols::paint(p, QRectF(x, r.center().y() - icon / 2.0, icon, icon), content.symbol, fg);
        x += icon + gap;
    }
    if (showText) {
        p.setFont(content.font);
        p.setPen(fg);
        p.drawText(QRectF(x, r.top(), textWidth + 1, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   content.text);
    }
    p.restore();
}
