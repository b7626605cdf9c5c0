#pragma once

// Theme: every colour, font, radius and spacing the views paint with, for the light and the dark
// appearance. Paint code reads only from here (a widget takes its style struct, never a literal).
//
//   const Theme &t = Theme::current();       // rebuilt when the appearance changes
//   t.colors.accent, t.color(ColorRole::blue), t.font(TextStyle::headline),
//   t.font(TextStyle::subheadline, QFont::Medium), t.chip, t.card, t.gauge, t.button, ...
//   Theme::setAppearanceOverride(Appearance::dark);  // tests and screenshots
//   Theme::setDesktopAppearance(Appearance::dark);   // what the desktop asks for (portal, GTK_THEME)
//   Theme::applyToApplication();                     // after a switch: new theme, new app palette
//   Theme::follow(this, [this] { restyle(); });       // now, and again after every switch
//   Theme::mix(a, b, f), Theme::withAlpha(c, a)
//   label->setTextColor(t.textColor(ColorRole::orange));  // a colour where it carries text
//   button fill under white text: t.solidColor(ColorRole::blue)
//   Theme::contrastRatio(text, background)                  // WCAG 2.2, 1 to 21
//
// Appearance: TENDREL_APPEARANCE=light|dark wins, then an override set in code, then what the
// desktop asks for, then the lightness of the desktop's own palette (as it was before Tendrel set
// its palette).

#include "Models/ColorRole.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QMargins>
#include <QObject>
#include <QPalette>
#include <QPointF>

#include <array>
#include <functional>
#include <optional>

enum class Appearance : unsigned char { light, dark };

// The type scale; sizes are relative to the system font so the user's font setting carries over.
enum class TextStyle : unsigned char {
    largeTitle,
    title2,
    title3,
    headline,
    body,
    subheadline,
    caption,
    caption2
};

// Named colours, each chosen by meaning. Every colour that carries text reads at least 4.5:1 on
// what it is drawn on (WCAG 2.2 AA), focus rings 3:1.
struct ThemeColors
{
    // The standard named colours of care kinds, species facts and statuses, as fills, tints,
    // symbols and gauges. Where one carries text it takes its shade from text or solid below.
    QColor blue, orange, teal, red, yellow, green, purple, cyan;
    QColor accent;         // the app's leaf green as a fill under onAccent: prominent buttons, chips
    QColor accentDark;     // accent mixed with black, for the far end of accent gradients
    QColor onAccent;       // text and icons drawn on accent or on a solid shade
    QColor label;          // primary text
    QColor secondaryLabel; // supporting text (species names, counts, footers, placeholders)
    QColor tertiaryLabel;  // decoration and disabled text only (separating dots, chevrons)
    QColor separator;      // hairlines between rows and card outlines
    QColor fill;           // five fill levels for controls and panels, strongest first
    QColor secondaryFill;
    QColor tertiaryFill; // off filter chips, search field
    QColor quaternaryFill;
    QColor quinaryFill;                // info tiles and panels: the faintest
    QColor groupedBackground;          // behind inset lists and grouped forms
    QColor secondaryGroupedBackground; // the rows of inset lists and forms
    QColor windowBackground;           // plain screens
    QColor cardBackground;             // species cards and other raised surfaces
    QColor sidebarBackground;
    QColor dimming;        // backdrop behind a sheet
    QColor shadow;         // card shadow colour (alpha carries the strength)
    QColor focusRing;      // keyboard focus outline, 3:1 on every background
    QColor glassFill;      // untinted glass: translucent, lighter than what is below
    QColor glassBorder;    // the glass edge highlight
    QColor controlOutline; // the edge of a control that has no fill of its own to be seen by (3:1)

    // Each role's colour (indexed by ColorRole) in the shade that carries text: 4.5:1 on the
    // window, cards, grouped lists, panels and the colour's own glass tint; the same hue.
    std::array<QColor, colorRoleCount> text;
    // Each role's colour as a solid fill under onAccent text or symbols (4.5:1): prominent buttons,
    // tinted badges, the swipe action.
    std::array<QColor, colorRoleCount> solid;
};

struct ChipStyle
{
    QFont font; // subheadline, medium
    int paddingH = 14;
    int paddingV = 8;
    int iconSpacing = 6;
    QColor onFill, onForeground;   // accent capsule, white content
    QColor offFill, offForeground; // tertiary fill, primary text
    QColor focusRing;
};

struct CardStyle
{
    QColor background;
    QColor border; // drawn inside the shape; alpha 0 for none
    qreal borderWidth = 1;
    qreal radius = 22;
    QColor shadow; // alpha 0 for none
    qreal shadowBlur = 10;
    QPointF shadowOffset{0, 6};
};

struct GaugeStyle
{
    int diameter = 44;
    qreal lineWidth = 5;
    qreal trackAlpha = 0.25; // track is the tint at this alpha
    QFont symbolFont;        // title 3, semibold
};

struct ButtonStyle
{
    QFont font; // body, semibold (small: subheadline; large: headline)
    QFont smallFont;
    QFont largeFont;
    int height = 32, smallHeight = 26, largeHeight = 44;
    int paddingH = 14;
    int iconSpacing = 6;
    QColor glassFill; // untinted glass
    QColor glassBorder;
    qreal glassTintAlpha = 0.16; // tinted glass: tint at this alpha over the glass
    qreal hoverLighten = 0.08;   // white (light) or black (dark) wash on hover
    qreal pressedDarken = 0.14;
    QColor borderedFill; // bordered style: a neutral fill
    QColor prominentForeground;
    QColor disabledForeground;
    QColor focusRing;
    qreal focusRingWidth = 2.5;
    // Drawn just inside the ring, so it stays apart from a fill of the same colour.
    QColor focusRingGap;
};

struct BadgeStyle
{
    QFont font; // caption, semibold
    int paddingH = 10;
    int paddingV = 6;
    int iconSpacing = 4;
    QColor glassFill; // untinted: frosted white
    QColor glassBorder;
    QColor foreground; // untinted text colour
    // Tinted badges carry white text over photos: opaque, so no bright photo can wash them out.
    qreal tintAlpha = 1.0;
};

struct TileStyle
{
    qreal radius = 18;
    int padding = 14;
    int spacing = 8;
    int textSpacing = 2;
    QColor background; // quinary fill
    QFont symbolFont, titleFont, valueFont;
    QColor titleColor, valueColor;
};

struct ListStyle
{
    qreal radius = 12;
    int rowMinHeight = 44;
    int rowPaddingH = 16;
    int rowPaddingV = 10;
    int rowSpacing = 12;     // between a row's icon, texts and accessories
    int separatorInset = 16; // from the leading edge, plus the icon column when there is one
    int sectionSpacing = 22;
    int headerSpacing = 8; // header to rows, rows to footer
    QColor rowBackground;
    QColor rowHover;
    QColor rowPressed;
    QColor separator;
    QFont headerFont; // subheadline, semibold
    QColor headerColor;
    QFont footerFont;
    QColor footerColor;
    QFont titleFont, subtitleFont;
};

struct SearchFieldStyle
{
    int height = 32;
    qreal radius = 10;
    QColor background;
    QColor focusBackground;
    QColor iconColor;
    QFont font;
};

struct SidebarStyle
{
    int width = 220;
    int rowHeight = 34;
    qreal radius = 8;
    int padding = 10;
    QColor background;
    QColor selection; // selected row fill
    QColor selectionForeground;
    QColor hover;
    QColor iconColor; // unselected icons: accent
    QFont font;
    QFont badgeFont;
    QColor badgeForeground;
    QColor badgeBackground;
};

struct NavigationStyle
{
    int headerHeight = 52;
    int paddingH = 20;
    QFont inlineTitleFont; // headline
    QFont largeTitleFont;  // large title, bold
    QFont backFont;
    QColor tint; // back button and toolbar text
    QColor background;
    QColor separator;
};

struct SheetStyle
{
    QColor dimming;
    QColor background;
    qreal radius = 16;
    int margin = 32; // at least this much window shows around the sheet
};

struct PanelStyle
{
    // Content-unavailable panel.
    int symbolSize = 44;
    int spacing = 10;
    QColor symbolColor;
    QFont titleFont;       // title 2, bold
    QFont descriptionFont; // body
    QColor descriptionColor;
};

struct ToastStyle
{
    qreal radius = 22;
    int paddingH = 18;
    int paddingV = 6;
    int spacing = 12;
    int bottomMargin = 24; // from the window's bottom edge
    int maxWidth = 560;
    QColor background; // a dark pill over either appearance, like the desktop's own toasts
    QColor foreground;
    QColor action; // the action button's text, readable on the pill
    QColor shadow;
    QFont font; // subheadline
};

// Qt's own popups (menus, the menu bar's menus, combo lists) as the kit draws them: a rounded
// card with padding around the items and a soft accent wash on the hovered one.
struct MenuStyle
{
    qreal radius = 10;
    int padding = 5;      // between the card's edge and the items
    int itemPaddingH = 8; // added on each side of an item's own text
    int itemPaddingV = 3;
    qreal itemRadius = 6;
    QColor background;
    QColor border;
    QColor selection; // the hovered item's fill; its text stays primary text
};

struct TooltipStyle
{
    qreal radius = 8;
    int padding = 5;
    QColor background;
    QColor foreground;
    QColor border;
};

class Theme final
{
public:
    Appearance appearance = Appearance::light;
    ThemeColors colors;
    ChipStyle chip;
    CardStyle card;  // species card: secondary background, separator outline
    CardStyle panel; // panel background: quinary fill, radius 20, no outline
    GaugeStyle gauge;
    ButtonStyle button;
    BadgeStyle badge;
    TileStyle tile;
    ListStyle list;
    SearchFieldStyle searchField;
    SidebarStyle sidebar;
    NavigationStyle navigation;
    SheetStyle sheet;
    PanelStyle unavailable;
    ToastStyle toast;
    MenuStyle menu;
    TooltipStyle tooltip;
    int contentPadding = 20; // the default inset of scrolling screens

    static const Theme &current();
    static void setAppearanceOverride(std::optional<Appearance> appearance);
    // The desktop's preference; none when it states none.
    static void setDesktopAppearance(std::optional<Appearance> appearance);
    // Re-reads the system appearance; widgets pick the new values up on their next paint.
    static void refresh();
    static Appearance systemAppearance();
    // Refreshes the theme and gives the application its palette. Every widget then receives
    // QEvent::ThemeChange in changeEvent() (restyle there what was styled at construction) and is
    // repainted. Returns whether the appearance differs from the one applied before.
    static bool applyToApplication();
    // Runs restyle now and again after every switch of appearance, for as long as context lives:
    // for whatever a widget or window styles once (palettes, style sheets, colours it hands to
    // children). Widgets may instead handle QEvent::ThemeChange in changeEvent().
    static void follow(QObject *context, std::function<void()> restyle);

    QColor color(ColorRole role) const;
    QColor textColor(ColorRole role) const { return colors.text[size_t(role)]; }
    QColor solidColor(ColorRole role) const { return colors.solid[size_t(role)]; }
    QFont font(TextStyle style) const;
    QFont font(TextStyle style, QFont::Weight weight) const;

    // Mixes in a perceptual colour space (OKLab), so mixing with black darkens evenly.
    static QColor mix(const QColor &a, const QColor &b, qreal fractionOfB);
    static QColor withAlpha(QColor color, qreal alpha);
    // top painted over below (below taken as opaque).
    static QColor composite(const QColor &top, const QColor &below);
    // WCAG 2.2 contrast ratio (1 to 21) of foreground, composited over an opaque background.
    static qreal contrastRatio(const QColor &foreground, const QColor &background);
    // color as text, darkened (or lightened, on dark backgrounds) in OKLab just enough to read at
    // ratio on every background; unchanged when it already does. The hue stays.
    static QColor textShade(const QColor &color, const QList<QColor> &backgrounds, qreal ratio);
    // color as an opaque fill, darkened (or lightened, under dark text) just enough that text
    // reads on it at ratio.
    static QColor fillShade(const QColor &color, const QColor &text, qreal ratio);

    static Theme make(Appearance appearance);

    // A widget palette in this theme's colours, so stock controls (scroll bars, menus, dialogs,
    // text fields) match the custom-painted ones in the dark appearance too.
    QPalette palette() const;
};
