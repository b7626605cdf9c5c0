#pragma once

// KitStyle: the stock Qt parts the app still shows (menus and the menu bar's menus, tooltips,
// combo lists, the fields and buttons of Qt's own file dialog) drawn to match the kit, over
// whatever style the desktop gives (Fusion, or its platform theme's): rounded menus with padding
// and a soft accent wash on the hovered item, rounded tooltips in the theme's colours, combo
// lists that open below their field and at least as wide, rounded fields and buttons.
//
//   KitStyle::install();   // once, after the QApplication exists; later calls do nothing
//   // The colours and sizes come from Theme::current().menu and .tooltip, and follow a switch.
//
// Rounded top-level popups need a compositor for their corners; on X11 they are cut with a mask
// instead, which works with or without one.

#include <QProxyStyle>

class KitStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    explicit KitStyle(QStyle *base = nullptr);

    static void install();
    // Whether widget is a popup the style rounds (a menu, a tooltip, a combo list).
    static bool isRoundedPopup(const QWidget *widget);

    void polish(QWidget *widget) override;
    using QProxyStyle::polish;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr, const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};
