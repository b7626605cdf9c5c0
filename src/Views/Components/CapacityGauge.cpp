#include "Views/Components/CapacityGauge.h"

#include "Views/Components/AccessibleItem.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/Theme.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

double shownValue(double value)
{
    return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

// Read as a progress bar by its name and description, with no value interface: over AT-SPI a
// value always comes with Increase and Decrease actions, which a gauge the user cannot change
// must not offer.
QAccessibleInterface *gaugeFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("CapacityGauge") && object && object->isWidgetType())
        return new AccessibleItem(static_cast<QWidget *>(object), QAccessible::ProgressBar);
    return nullptr;
}

} // namespace

CapacityGauge::Arc CapacityGauge::arc(double value)
{
    return {90.0, -360.0 * shownValue(value)};
}

CapacityGauge::CapacityGauge(QWidget *parent) : QWidget(parent)
{
    const Theme &t = Theme::current();
    m_symbolFont = t.gauge.symbolFont;
    m_diameter = t.gauge.diameter;
    m_lineWidth = t.gauge.lineWidth;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(gaugeFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
}

void CapacityGauge::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void CapacityGauge::setTint(const ThemeColor &tint)
{
    m_tint = tint;
    update();
}

void CapacityGauge::setSymbol(const QString &symbol, const ThemeColor &color)
{
    m_symbol = symbol;
    m_symbolColor = color;
    update();
}

void CapacityGauge::setSymbolFont(const QFont &font)
{
    m_symbolFont = font;
    update();
}

void CapacityGauge::setDiameter(int diameter)
{
    m_diameter = diameter;
    updateGeometry();
    update();
}

void CapacityGauge::setLineWidth(qreal width)
{
    m_lineWidth = width;
    update();
}

void CapacityGauge::setScale(qreal scale)
{
    m_scale = scale;
    updateGeometry();
    update();
}

QSize CapacityGauge::sizeHint() const
{
    const int side = int(std::ceil(m_diameter * m_scale));
    return {side, side};
}

void CapacityGauge::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    QPainter p(this);
    Painting::setHighQuality(p);
    const QPointF centre = QRectF(rect()).center();
    const qreal d = m_diameter * m_scale;
    const qreal lw = m_lineWidth * m_scale;
    const QRectF ring(centre.x() - d / 2 + lw / 2, centre.y() - d / 2 + lw / 2, d - lw, d - lw);

    p.setBrush(Qt::NoBrush);
    const QColor tint = m_tint.resolve(t);
    p.setPen(QPen(Theme::withAlpha(tint, tint.alphaF() * t.gauge.trackAlpha), lw));
    p.drawEllipse(ring);
    const Arc a = arc(m_value);
    if (a.spanDegrees != 0) {
        p.setPen(QPen(tint, lw, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, int(std::lround(a.startDegrees * 16)), int(std::lround(a.spanDegrees * 16)));
    }
    if (!m_symbol.isEmpty()) {
        QFont f = m_symbolFont;
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * m_scale);
        const qreal icon = qMin<qreal>(Symbols::sizeFor(f), d - 2 * lw - 4);
        Symbols::paint(p, QRectF(centre.x() - icon / 2, centre.y() - icon / 2, icon, icon), m_symbol,
                       m_symbolColor.resolve(t));
    }
}
