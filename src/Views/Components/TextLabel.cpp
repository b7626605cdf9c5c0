#include "Views/Components/TextLabel.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

TextLabel::TextLabel(const QString &text, TextStyle style, QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(text);
    setTextStyle(style);
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

void TextLabel::setTextColor(const ThemeColor &color)
{
    m_color = color;
    applyColor();
}

void TextLabel::setColorRole(ColorRole role)
{
    setTextColor(ThemeColor(role));
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

bool TextLabel::isTruncated() const
{
    return m_elided && fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QString TextLabel::plainToolTip(const QString &text)
{
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(text.toHtmlEscaped());
}

bool TextLabel::event(QEvent *event)
{
    // An own tool tip wins; otherwise a cut text shows whole, and a whole one leaves the question
    // to the widget below (a card may have its own).
    if (event->type() == QEvent::ToolTip && m_elided && toolTip().isEmpty()) {
        if (!isTruncated()) {
            event->ignore();
            return false;
        }
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), plainToolTip(text()), this);
        return true;
    }
    return QLabel::event(event);
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

void TextLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // Theme::applyToApplication() sends it to every widget once the new theme is in place.
    if (event->type() == QEvent::ThemeChange && m_color.followsTheme())
        applyColor();
}

void TextLabel::applyColor()
{
    const QColor color = m_color.resolve();
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Theme::withAlpha(color, color.alphaF() * m_opacity));
    setPalette(pal);
}
