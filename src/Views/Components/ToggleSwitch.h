#pragma once

// ToggleSwitch: an on/off switch (accent track when on, white knob) that springs between its
// states; Space toggles it. Give it an accessible name when its label is elsewhere.
//
//   auto *sw = new ToggleSwitch(parent); sw->setAccessibleName(kind.title());
//   connect(sw, &ToggleSwitch::toggled, ...);  sw->setChecked(true);   // programmatic, no motion
//   sw->setOnColor(ColorRole::green);        // accent unless set; follows light and dark

#include "Views/Components/ThemeColor.h"
#include <QAbstractButton>

#include <QColor>

class QVariantAnimation;

class ToggleSwitch final : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ToggleSwitch(QWidget *parent = nullptr);

    void setOnColor(const ThemeColor &color);
    // Where the knob is drawn now: 0 off, 1 on, between while it springs.
    qreal knobPosition() const { return m_position; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void nextCheckState() override;
    void checkStateSet() override;

private:
    void moveKnob(bool springing);

    ThemeColor m_onColor = &ThemeColors::accent;
    qreal m_position = 0;
    QVariantAnimation *m_animation;
};
