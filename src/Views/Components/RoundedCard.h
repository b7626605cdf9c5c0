#pragma once

// RoundedCard: a container on a rounded surface with continuous corners: the species card, the
// info panels (tips, notes, history), the care cards, the Today summary card (gradient).
//
//   auto *card = new RoundedCard(Theme::current().panel, parent);  // or .card (outlined, shadow)
//   card->contentLayout()->addWidget(...);     // a QVBoxLayout inside the padding
//   card->setPadding(16); card->setRadius(24);
//   card->setGradient(theme.colors.accent, theme.colors.accentDark);  // top-leading -> bottom-trailing
//   card->setShadowEnabled(true);   // draws the style's shadow; reserves room around the shape
//   card->shapeRect()               // where the surface is, in widget coordinates
//   Children are not clipped: keep them inside the padding, or give a full-bleed child a
//   RoundedClipEffect with matching corners.

#include "Views/Components/Theme.h"
#include "Views/Components/ThemeColor.h"

#include <QWidget>

#include <optional>

class QVBoxLayout;

class RoundedCard : public QWidget
{
    Q_OBJECT
public:
    explicit RoundedCard(const CardStyle &style, QWidget *parent = nullptr);

    QVBoxLayout *contentLayout() const { return m_layout; }
    void setPadding(int padding);
    void setPadding(const QMargins &padding);
    void setRadius(qreal radius);
    void setBackground(const QColor &color);
    void setGradient(const ThemeColor &topLeading, const ThemeColor &bottomTrailing);
    // A new style (after a switch of appearance); padding, radius and shadow setting stay.
    void setCardStyle(const CardStyle &style);
    void setBorder(const QColor &color, qreal width);
    void setShadowEnabled(bool enabled);
    const CardStyle &cardStyle() const { return m_style; }
    QRectF shapeRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QMargins shadowMargins() const;
    void applyMargins();

    CardStyle m_style;
    std::optional<std::pair<ThemeColor, ThemeColor>> m_gradient;
    QMargins m_padding{16, 16, 16, 16};
    bool m_shadow = false;
    QVBoxLayout *m_layout;
};
