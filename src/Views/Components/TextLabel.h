#pragma once

// TextLabel: a QLabel that always shows plain text (user data such as "<b>" stays literal),
// styled from the theme's type scale, optionally one line with an ellipsis. Its colour follows a
// switch between light and dark unless it was given a fixed QColor.
//
//   auto *name = new TextLabel(plant->name(), TextStyle::headline, parent);
//   name->setTextColor(&ThemeColors::secondaryLabel);  // or setColorRole(ColorRole::secondary)
//   name->setElided(true);                              // one line, "…" when too narrow; the
//                                                       // whole text shows as its tool tip then
//   name->setTextStyle(TextStyle::caption, QFont::DemiBold); name->setItalic(true);

#include "Models/ColorRole.h"
#include "Views/Components/Theme.h"
#include "Views/Components/ThemeColor.h"

#include <QLabel>

class TextLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit TextLabel(const QString &text = {}, TextStyle style = TextStyle::body,
                       QWidget *parent = nullptr);

    void setTextStyle(TextStyle style);
    void setTextStyle(TextStyle style, QFont::Weight weight);
    void setItalic(bool italic);
    void setTextColor(const ThemeColor &color);
    void setColorRole(ColorRole role);
    void setOpacity(qreal opacity); // multiplies the colour's alpha
    void setElided(bool elided);
    bool isElided() const { return m_elided; }
    // Whether an elided label is too narrow for its whole text now.
    bool isTruncated() const;
    // A tool tip that shows text as written: Qt takes text that looks like markup for rich text.
    static QString plainToolTip(const QString &text);

    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColor();

    ThemeColor m_color = &ThemeColors::label;
    qreal m_opacity = 1.0;
    bool m_elided = false;
};
