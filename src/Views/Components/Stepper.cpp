#include "Views/Components/Stepper.h"

#include "Views/Components/GlassButton.h"
#include "Views/Components/Painting.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Theme.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

Stepper::Stepper(int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_min(minimum), m_max(std::max(minimum, maximum)), m_value(minimum)
{
    m_minus = new GlassButton(tr("Decrease"), QStringLiteral("minus"), GlassButton::Style::borderless, this);
    m_plus = new GlassButton(tr("Increase"), QStringLiteral("plus"), GlassButton::Style::borderless, this);
    for (GlassButton *b : {m_minus, m_plus}) {
        b->setSymbolOnly(true);
        b->setTint(ThemeColor(&ThemeColors::label));
        b->setShape(GlassButton::Shape::roundedRect);
        b->setFixedSize(36, 28);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_minus);
    row->addWidget(m_plus);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_minus, &QAbstractButton::clicked, this, &Stepper::stepDown);
    connect(m_plus, &QAbstractButton::clicked, this, &Stepper::stepUp);
    sync();
}

void Stepper::setValue(int value)
{
    const int clamped = std::clamp(value, m_min, m_max);
    if (clamped == m_value) {
        sync();
        return;
    }
    m_value = clamped;
    sync();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
    emit valueChanged(m_value);
}

void Stepper::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    setValue(m_value);
}

void Stepper::setStep(int step)
{
    m_step = std::max(1, step);
}

void Stepper::stepUp()
{
    setValue(m_value > m_max - m_step ? m_max : m_value + m_step);
}

void Stepper::stepDown()
{
    setValue(m_value < m_min + m_step ? m_min : m_value - m_step);
}

void Stepper::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Plus || event->key() == Qt::Key_Right)
        stepUp();
    else if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Minus || event->key() == Qt::Key_Left)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void Stepper::paintEvent(QPaintEvent *)
{
    const Theme &t = Theme::current();
    QPainter p(this);
    Painting::setHighQuality(p);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillPath(Shapes::continuousRoundedRect(r, 8), t.colors.tertiaryFill);
    p.setPen(QPen(t.colors.separator, 1));
    p.drawLine(QPointF(r.center().x(), r.top() + 6), QPointF(r.center().x(), r.bottom() - 6));
    if (Painting::showsFocusRing(this))
        Painting::drawFocusRing(p, Shapes::continuousRoundedRect(r, 8), t.colors.focusRing, 2);
}

void Stepper::sync()
{
    m_minus->setEnabled(m_value > m_min);
    m_plus->setEnabled(m_value < m_max);
}
