#pragma once

class QAbstractScrollArea;

// A slim, rounded vertical scroll bar without arrows in place of the desktop style's, as
// scrolling lists, forms and sheets show it. Its handle follows a switch of appearance.
//
//   SlimScrollBar::apply(scrollArea);
class SlimScrollBar final
{
public:
    SlimScrollBar() = delete;
    static void apply(QAbstractScrollArea *area);

private:
    static void style(QAbstractScrollArea *area);
};
