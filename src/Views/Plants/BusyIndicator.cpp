#include "Views/Plants/BusyIndicator.h"

#include "Views/Components/Painting.h"

#include <QPainter>
#include <QtMath>

namespace {

constexpr int spokeCount = 12;
constexpr int frameMs = 80;

} // namespace

BusyIndicator::BusyIndicator(int diameter, QWidget *parent) : QWidget(parent), m_diameter(diameter)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFixedSize(diameter, diameter);
    setAccessibleName(tr("Processing photo"));
    m_timer.setInterval(frameMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokeCount;
        update();
    });
}

QSize BusyIndicator::sizeHint() const
{
    return {m_diameter, m_diameter};
}

void BusyIndicator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawEllipse(disc);

    const QPointF centre = disc.center();
    const qreal outer = disc.width() * 0.34;
    const qreal inner = disc.width() * 0.17;
    QPen pen(Qt::white);
    pen.setWidthF(qMax(1.5, disc.width() * 0.075));
    pen.setCapStyle(Qt::RoundCap);
    for (int i = 0; i < spokeCount; ++i) {
        // The leading spoke is brightest; the ones behind it fade like a comet's tail.
        const int age = (m_step - i + spokeCount) % spokeCount;
        QColor c = Qt::white;
        c.setAlphaF(qMax(0.22, 1.0 - age / qreal(spokeCount - 2)));
        pen.setColor(c);
        p.setPen(pen);
        const qreal angle = 2 * M_PI * i / spokeCount - M_PI / 2;
        const QPointF dir(qCos(angle), qSin(angle));
        p.drawLine(centre + dir * inner, centre + dir * outer);
    }
}

void BusyIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void BusyIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
