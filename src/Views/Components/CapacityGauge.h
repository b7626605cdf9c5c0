#pragma once

// CapacityGauge: the circular capacity gauge, a ring filled clockwise from twelve o'clock by a
// value in 0...1, with a symbol in its centre (Today's summary card, plant care cards).
//
//   auto *g = new CapacityGauge(parent);
//   g->setValue(0.4); g->setTint(theme.colors.blue);
//   g->setSymbol("drop.fill", theme.colors.blue);   // centre symbol and its colour
//   g->setDiameter(44); g->setScale(1.15);          // scale grows the drawing about its centre
//   CapacityGauge::arc(value)  // pure: {startDegrees 90, spanDegrees -360 * clamped value}
//   g->setAccessibleName(tr("Water"));             // read as a progress bar: that name and what
//   g->setAccessibleDescription(tr("Due today"));  // the fill means (no value a reader could change)

#include "Views/Components/ThemeColor.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class CapacityGauge final : public QWidget
{
    Q_OBJECT
public:
    // Qt angle convention: degrees counter-clockwise from three o'clock; a negative span runs
    // clockwise.
    struct Arc
    {
        qreal startDegrees;
        qreal spanDegrees;
    };
    // Value clamped to 0...1; NaN counts as 0 (nothing to show), infinities clamp.
    static Arc arc(double value);

    explicit CapacityGauge(QWidget *parent = nullptr);

    double value() const { return m_value; }
    void setValue(double value);
    void setTint(const ThemeColor &tint);
    QColor tint() const { return m_tint.resolve(); }
    void setSymbol(const QString &symbol, const ThemeColor &color);
    QString symbol() const { return m_symbol; }
    void setSymbolFont(const QFont &font);
    void setDiameter(int diameter);
    void setLineWidth(qreal width);
    void setScale(qreal scale);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double m_value = 0;
    ThemeColor m_tint = &ThemeColors::accent;
    QString m_symbol;
    ThemeColor m_symbolColor = &ThemeColors::accent;
    QFont m_symbolFont;
    int m_diameter;
    qreal m_lineWidth;
    qreal m_scale = 1.0;
};
