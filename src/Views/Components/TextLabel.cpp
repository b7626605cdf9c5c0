#include "Views/Components/TextLabel.h"

#include <QPainter>

TextLabel::TextLabel(const QString &text, TextStyle style, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setTextStyle(style);
    m_color = Theme::current().colors.label;
    applyColor();
}

void TextLabel::setTextStyle(TextStyle style)
{
    setFont(Theme::current().font(style));
}

void TextLabel::setTextStyle(TextStyle style, QFont::Weight weight)
{
    setFont(Theme::current().font(style, weight));
}

void TextLabel::setItalic(bool italic)
{
    QFont f = font();
    f.setItalic(italic);
    setFont(f);
}

void TextLabel::setTextColor(const QColor &color)
{
    m_color = color;
    applyColor();
}

void TextLabel::setColorRole(ColorRole role)
{
    setTextColor(Theme::current().color(role));
}

void TextLabel::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    applyColor();
}

void TextLabel::setElided(bool elided)
{
    m_elided = elided;
    setWordWrap(!elided && wordWrap());
    updateGeometry();
    update();
}

QSize TextLabel::minimumSizeHint() const
{
    if (!m_elided)
        return QLabel::minimumSizeHint();
    // An elided label may shrink to a few characters; its height stays one line.
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("…")) * 3, fm.height()};
}

void TextLabel::paintEvent(QPaintEvent *event)
{
    if (!m_elided) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    const QRect r = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, r.width());
    p.drawText(r, int(alignment()) | Qt::TextSingleLine, shown);
}

void TextLabel::applyColor()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Theme::withAlpha(m_color, m_color.alphaF() * m_opacity));
    setPalette(pal);
}
