#include "Views/Components/RoundedCard.h"

#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"

#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

RoundedCard::RoundedCard(const CardStyle &style, QWidget *parent) : QWidget(parent), m_style(style)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setSpacing(12);
    applyMargins();
}

void RoundedCard::setPadding(int padding)
{
    setPadding(QMargins(padding, padding, padding, padding));
}

void RoundedCard::setPadding(const QMargins &padding)
{
    m_padding = padding;
    applyMargins();
}

void RoundedCard::setRadius(qreal radius)
{
    m_style.radius = radius;
    update();
}

void RoundedCard::setBackground(const QColor &color)
{
    m_style.background = color;
    m_gradient.reset();
    update();
}

void RoundedCard::setCardStyle(const CardStyle &style)
{
    const qreal radius = m_style.radius;
    m_style = style;
    m_style.radius = radius;
    applyMargins();
    update();
}

void RoundedCard::setGradient(const ThemeColor &topLeading, const ThemeColor &bottomTrailing)
{
    m_gradient = std::make_pair(topLeading, bottomTrailing);
    update();
}

void RoundedCard::setBorder(const QColor &color, qreal width)
{
    m_style.border = color;
    m_style.borderWidth = width;
    update();
}

void RoundedCard::setShadowEnabled(bool enabled)
{
    m_shadow = enabled;
    applyMargins();
    update();
}

QMargins RoundedCard::shadowMargins() const
{
    if (!m_shadow || m_style.shadow.alpha() == 0)
        return {};
    const int blur = int(std::ceil(m_style.shadowBlur));
    const int dx = int(std::ceil(std::abs(m_style.shadowOffset.x())));
    const int dy = int(std::ceil(std::abs(m_style.shadowOffset.y())));
    return {blur + dx, qMax(0, blur - dy), blur + dx, blur + dy};
}

void RoundedCard::applyMargins()
{
    m_layout->setContentsMargins(shadowMargins() + m_padding);
}

QRectF RoundedCard::shapeRect() const
{
    return QRectF(rect().marginsRemoved(shadowMargins()));
}

void RoundedCard::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = shapeRect();
    if (m_shadow)
        Painting::drawShadow(p, r, m_style.radius, m_style.shadow, m_style.shadowBlur, m_style.shadowOffset);
    const QPainterPath shape = Shapes::continuousRoundedRect(r, m_style.radius);
    if (m_gradient) {
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, m_gradient->first.resolve());
        g.setColorAt(1, m_gradient->second.resolve());
        p.fillPath(shape, g);
    } else {
        p.fillPath(shape, m_style.background);
    }
    if (m_style.border.alpha() > 0 && m_style.borderWidth > 0) {
        // Drawn inside the shape so the outline never widens the card.
        const qreal inset = m_style.borderWidth / 2;
        p.setPen(QPen(m_style.border, m_style.borderWidth));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Shapes::continuousRoundedRect(r.adjusted(inset, inset, -inset, -inset),
                                                 qMax<qreal>(0, m_style.radius - inset)));
    }
}
