#pragma once

// Stepper: a pair of "−" and "+" buttons in one capsule changing an integer within a range by a
// step; each end disables its button. Up/Down keys step too. Screen readers see a spin button
// with the value, minimum and maximum (AccessibleStepper); give it an accessible name.
//
//   auto *s = new Stepper(1, 120, parent); s->setValue(days); s->setAccessibleName(tr("Water interval"));
//   connect(s, &Stepper::valueChanged, this, [](int v) { ... });

#include <QWidget>

class GlassButton;

class Stepper final : public QWidget
{
    Q_OBJECT
public:
    Stepper(int minimum, int maximum, QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value); // clamped to the range
    void setRange(int minimum, int maximum);
    void setStep(int step);
    int step() const { return m_step; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void stepUp();
    void stepDown();
    GlassButton *decrementButton() const { return m_minus; }
    GlassButton *incrementButton() const { return m_plus; }

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void sync();

    int m_min;
    int m_max;
    int m_step = 1;
    int m_value;
    GlassButton *m_minus;
    GlassButton *m_plus;
};
