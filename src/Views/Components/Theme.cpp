#include "Views/Components/Theme.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QStyleHints>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

std::optional<Appearance> &appearanceOverride()
{
    static std::optional<Appearance> value;
    return value;
}

std::optional<Appearance> &desktopAppearance()
{
    static std::optional<Appearance> value;
    return value;
}

// The lightness of the palette the desktop gave the app, before the app set its own.
std::optional<bool> &desktopPaletteIsDark()
{
    static std::optional<bool> value;
    return value;
}

bool paletteIsDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

// Restyle functions of Theme::follow(), by a key that their context's destruction removes.
struct Followers
{
    std::map<quint64, std::function<void()>> entries; // in order of registration
    quint64 nextKey = 0;
};

Followers &followers()
{
    static Followers value;
    return value;
}

std::optional<Theme> &cachedTheme()
{
    static std::optional<Theme> theme;
    return theme;
}

QColor rgba(int r, int g, int b, qreal a = 1.0)
{
    QColor c(r, g, b);
    c.setAlphaF(float(a));
    return c;
}

std::optional<Appearance> environmentAppearance()
{
    const QByteArray value = qgetenv("TENDREL_APPEARANCE").trimmed().toLower();
    if (value == "dark")
        return Appearance::dark;
    if (value == "light")
        return Appearance::light;
    return std::nullopt;
}

// OKLab, so that mixing a colour with black darkens it the way the eye expects.
struct Lab
{
    double l, a, b;
};

double toLinear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double toGamma(double c)
{
    c = std::clamp(c, 0.0, 1.0);
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

Lab toOklab(const QColor &c)
{
    const double r = toLinear(c.redF()), g = toLinear(c.greenF()), b = toLinear(c.blueF());
    const double l = std::cbrt(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
    const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
    const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
    return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
            1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
            0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

QColor fromOklab(const Lab &lab, qreal alpha)
{
    const double l = std::pow(lab.l + 0.3963377774 * lab.a + 0.2158037573 * lab.b, 3);
    const double m = std::pow(lab.l - 0.1055613458 * lab.a - 0.0638541728 * lab.b, 3);
    const double s = std::pow(lab.l - 0.0894841775 * lab.a - 1.2914855480 * lab.b, 3);
    QColor c;
    c.setRgbF(float(toGamma(4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s)),
              float(toGamma(-1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s)),
              float(toGamma(-0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)), float(alpha));
    return c;
}

double relativeLuminance(const QColor &c)
{
    return 0.2126 * toLinear(c.redF()) + 0.7152 * toLinear(c.greenF()) + 0.0722 * toLinear(c.blueF());
}

// The least mix of color towards black or white (whichever gives more contrast against
// reference) for which reads(mixed) holds; the far end when none does.
template<typename Reads> QColor leastShade(const QColor &color, const QColor &reference, Reads reads)
{
    if (reads(color))
        return color;
    const QColor opaqueReference = Theme::composite(reference, Qt::white);
    const QColor far =
        Theme::contrastRatio(Qt::black, opaqueReference) >= Theme::contrastRatio(Qt::white, opaqueReference)
            ? QColor(Qt::black)
            : QColor(Qt::white);
    // Opaque, so a translucent colour gains strength as well as shade.
    const QColor end = far;
    double low = 0, high = 1;
    QColor best = end;
    for (int step = 0; step < 24; ++step) {
        const double middle = (low + high) / 2;
        const QColor candidate = Theme::mix(color, end, middle);
        if (reads(candidate)) {
            best = candidate;
            high = middle;
        } else {
            low = middle;
        }
    }
    return best;
}

QFont scaled(const QFont &base, qreal factor, QFont::Weight weight)
{
    QFont f = base;
    if (base.pointSizeF() > 0)
        f.setPointSizeF(base.pointSizeF() * factor);
    else
        f.setPixelSize(qRound(base.pixelSize() * factor));
    f.setWeight(weight);
    return f;
}

} // namespace

const Theme &Theme::current()
{
    if (!cachedTheme())
        cachedTheme() = make(systemAppearance());
    return *cachedTheme();
}

void Theme::setAppearanceOverride(std::optional<Appearance> appearance)
{
    appearanceOverride() = appearance;
    refresh();
}

void Theme::setDesktopAppearance(std::optional<Appearance> appearance)
{
    desktopAppearance() = appearance;
    refresh();
}

void Theme::refresh()
{
    cachedTheme().reset();
}

bool Theme::applyToApplication()
{
    if (!desktopPaletteIsDark() && QGuiApplication::instance())
        desktopPaletteIsDark() = paletteIsDark(QGuiApplication::palette());
    static std::optional<Appearance> applied;
    refresh();
    const Theme &theme = current();
    const bool switched = applied && *applied != theme.appearance;
    applied = theme.appearance;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return switched;
    // The theme is new before the palette event goes out, so widgets restyle from it.
    QApplication::setPalette(theme.palette());
    // Restyled in the order they registered; one may register or go away while this runs.
    std::vector<quint64> keys;
    keys.reserve(followers().entries.size());
    for (const auto &entry : followers().entries)
        keys.push_back(entry.first);
    for (quint64 key : keys) {
        const auto it = followers().entries.find(key);
        if (it != followers().entries.end()) {
            const std::function<void()> restyle = it->second;
            restyle();
        }
    }
    // Widgets that keep theme colours restyle on ThemeChange (it reaches changeEvent()), and
    // custom-painted ones whose palette did not change still repaint from the new theme.
    const QWidgetList widgets = QApplication::allWidgets();
    QEvent themeChange(QEvent::ThemeChange);
    for (QWidget *widget : widgets) {
        QCoreApplication::sendEvent(widget, &themeChange);
        widget->update();
    }
    return switched;
}

void Theme::follow(QObject *context, std::function<void()> restyle)
{
    restyle();
    const quint64 key = followers().nextKey++;
    followers().entries.emplace(key, std::move(restyle));
    QObject::connect(context, &QObject::destroyed, [key] { followers().entries.erase(key); });
}

Appearance Theme::systemAppearance()
{
    if (const auto env = environmentAppearance())
        return *env;
    if (appearanceOverride())
        return *appearanceOverride();
    if (desktopAppearance())
        return *desktopAppearance();
    if (!QGuiApplication::instance())
        return Appearance::light;
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    const Qt::ColorScheme scheme = QGuiApplication::styleHints()->colorScheme();
    if (scheme != Qt::ColorScheme::Unknown)
        return scheme == Qt::ColorScheme::Dark ? Appearance::dark : Appearance::light;
#endif
    const bool dark =
        desktopPaletteIsDark() ? *desktopPaletteIsDark() : paletteIsDark(QGuiApplication::palette());
    return dark ? Appearance::dark : Appearance::light;
}

QColor Theme::color(ColorRole role) const
{
    switch (role) {
    case ColorRole::blue:
        return colors.blue;
    case ColorRole::orange:
        return colors.orange;
    case ColorRole::teal:
        return colors.teal;
    case ColorRole::red:
        return colors.red;
    case ColorRole::yellow:
        return colors.yellow;
    case ColorRole::green:
        return colors.green;
    case ColorRole::purple:
        return colors.purple;
    case ColorRole::cyan:
        return colors.cyan;
    case ColorRole::secondary:
        return colors.secondaryLabel;
    case ColorRole::tertiary:
        return colors.tertiaryLabel;
    case ColorRole::accent:
        return colors.accent;
    }
    return colors.label;
}

QFont Theme::font(TextStyle style) const
{
    switch (style) {
    case TextStyle::headline:
        return font(style, QFont::DemiBold);
    case TextStyle::largeTitle:
        return font(style, QFont::Bold);
    default:
        return font(style, QFont::Normal);
    }
}

QFont Theme::font(TextStyle style, QFont::Weight weight) const
{
    // Ratios of the platform's desktop type scale, with body at the system font size.
    const QFont base = QGuiApplication::instance() ? QGuiApplication::font() : QFont();
    switch (style) {
    case TextStyle::largeTitle:
        return scaled(base, 2.0, weight);
    case TextStyle::title2:
        return scaled(base, 1.36, weight);
    case TextStyle::title3:
        return scaled(base, 1.18, weight);
    case TextStyle::headline:
        return scaled(base, 1.0, weight);
    case TextStyle::body:
        return scaled(base, 1.0, weight);
    case TextStyle::subheadline:
        return scaled(base, 0.92, weight);
    case TextStyle::caption:
        return scaled(base, 0.84, weight);
    case TextStyle::caption2:
        return scaled(base, 0.78, weight);
    }
    return base;
}

QColor Theme::mix(const QColor &a, const QColor &b, qreal fractionOfB)
{
    const Lab la = toOklab(a), lb = toOklab(b);
    const double f = std::clamp(double(fractionOfB), 0.0, 1.0);
    return fromOklab({la.l + (lb.l - la.l) * f, la.a + (lb.a - la.a) * f, la.b + (lb.b - la.b) * f},
                     a.alphaF() + (b.alphaF() - a.alphaF()) * f);
}

QColor Theme::withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

QColor Theme::composite(const QColor &top, const QColor &below)
{
    const float a = top.alphaF();
    QColor c;
    c.setRgbF(top.redF() * a + below.redF() * (1 - a), top.greenF() * a + below.greenF() * (1 - a),
              top.blueF() * a + below.blueF() * (1 - a));
    return c;
}

qreal Theme::contrastRatio(const QColor &foreground, const QColor &background)
{
    const QColor below = composite(background, Qt::white);
    const double a = relativeLuminance(composite(foreground, below));
    const double b = relativeLuminance(below);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor Theme::textShade(const QColor &color, const QList<QColor> &backgrounds, qreal ratio)
{
    if (backgrounds.isEmpty())
        return color;
    return leastShade(color, backgrounds.first(), [&](const QColor &candidate) {
        return std::all_of(backgrounds.begin(), backgrounds.end(), [&](const QColor &background) {
            return contrastRatio(candidate, background) >= ratio;
        });
    });
}

QColor Theme::fillShade(const QColor &color, const QColor &text, qreal ratio)
{
    const QColor opaque = composite(color, Qt::white);
    return leastShade(opaque, composite(text, Qt::white),
                      [&](const QColor &candidate) { return contrastRatio(text, candidate) >= ratio; });
}

Theme Theme::make(Appearance appearance)
{
    Theme t;
    t.appearance = appearance;
    const bool dark = appearance == Appearance::dark;
    ThemeColors &c = t.colors;
    if (!dark) {
        c.blue = rgba(0, 122, 255);
        c.orange = rgba(255, 149, 0);
        c.teal = rgba(48, 176, 199);
        c.red = rgba(255, 59, 48);
        c.yellow = rgba(242, 181, 0);
        c.green = rgba(52, 199, 89);
        c.purple = rgba(175, 82, 222);
        c.cyan = rgba(50, 173, 230);
        c.accent = rgba(46, 158, 86);
        c.label = rgba(29, 29, 31);
        c.secondaryLabel = rgba(60, 60, 67, 0.78);
        c.tertiaryLabel = rgba(60, 60, 67, 0.32);
        c.separator = rgba(60, 60, 67, 0.20);
        c.fill = rgba(120, 120, 128, 0.20);
        c.secondaryFill = rgba(120, 120, 128, 0.16);
        c.tertiaryFill = rgba(118, 118, 128, 0.12);
        c.quaternaryFill = rgba(116, 116, 128, 0.08);
        c.quinaryFill = rgba(116, 116, 128, 0.06);
        c.groupedBackground = rgba(242, 242, 247);
        c.secondaryGroupedBackground = rgba(255, 255, 255);
        c.windowBackground = rgba(246, 246, 248);
        c.cardBackground = rgba(255, 255, 255);
        c.sidebarBackground = rgba(235, 235, 240);
        c.dimming = rgba(0, 0, 0, 0.22);
        c.shadow = rgba(0, 0, 0, 0.08);
        c.glassFill = rgba(255, 255, 255, 0.72);
        c.glassBorder = rgba(255, 255, 255, 0.9);
    } else {
        c.blue = rgba(10, 132, 255);
        c.orange = rgba(255, 159, 10);
        c.teal = rgba(64, 200, 224);
        c.red = rgba(255, 69, 58);
        c.yellow = rgba(255, 214, 10);
        c.green = rgba(48, 209, 88);
        c.purple = rgba(191, 90, 242);
        c.cyan = rgba(100, 210, 255);
        c.accent = rgba(58, 178, 98);
        c.label = rgba(245, 245, 247);
        c.secondaryLabel = rgba(235, 235, 245, 0.62);
        c.tertiaryLabel = rgba(235, 235, 245, 0.32);
        c.separator = rgba(84, 84, 88, 0.65);
        c.fill = rgba(120, 120, 128, 0.36);
        c.secondaryFill = rgba(120, 120, 128, 0.32);
        c.tertiaryFill = rgba(118, 118, 128, 0.24);
        c.quaternaryFill = rgba(116, 116, 128, 0.18);
        c.quinaryFill = rgba(116, 116, 128, 0.12);
        c.groupedBackground = rgba(22, 22, 24);
        c.secondaryGroupedBackground = rgba(40, 40, 43);
        c.windowBackground = rgba(30, 30, 32);
        c.cardBackground = rgba(44, 44, 47);
        c.sidebarBackground = rgba(38, 38, 41);
        c.dimming = rgba(0, 0, 0, 0.45);
        c.shadow = rgba(0, 0, 0, 0.30);
        c.glassFill = rgba(255, 255, 255, 0.14);
        c.glassBorder = rgba(255, 255, 255, 0.22);
    }
    // The leaf green as chosen; each use takes the shade it needs to be read.
    const QColor leaf = c.accent;
    c.onAccent = QColor(Qt::white);
    c.accent = fillShade(leaf, c.onAccent, 4.5);
    c.accentDark = mix(c.accent, QColor(Qt::black), 0.35);

    // Every background text is drawn on: screens, cards, grouped lists, the sidebar and the faint
    // panels and tiles on any of them.
    const QList<QColor> textBackdrops{c.windowBackground,
                                      c.groupedBackground,
                                      c.cardBackground,
                                      c.secondaryGroupedBackground,
                                      c.sidebarBackground,
                                      composite(c.quinaryFill, c.windowBackground),
                                      composite(c.quinaryFill, c.cardBackground),
                                      composite(c.tertiaryFill, c.sidebarBackground)};
    const QColor glass = dark ? rgba(255, 255, 255, 0.12) : rgba(255, 255, 255, 0.85);
    const qreal glassTintAlpha = t.button.glassTintAlpha;
    for (int i = 0; i < colorRoleCount; ++i) {
        const auto role = ColorRole(i);
        const QColor base = role == ColorRole::accent ? leaf : t.color(role);
        // Text in a colour also sits on that colour's own glass tint (tinted buttons, tip numbers).
        QList<QColor> backdrops = textBackdrops;
        backdrops.append(composite(withAlpha(base, glassTintAlpha), composite(glass, c.groupedBackground)));
        c.text[size_t(i)] = textShade(base, backdrops, 4.5);
        c.solid[size_t(i)] = role == ColorRole::accent ? c.accent : fillShade(base, c.onAccent, 4.5);
    }
    c.focusRing = textShade(leaf, textBackdrops, 3.0);
    c.controlOutline = textShade(dark ? rgba(120, 120, 128) : rgba(142, 142, 147), textBackdrops, 3.0);

    t.chip.font = t.font(TextStyle::subheadline, QFont::Medium);
    t.chip.onFill = c.accent;
    t.chip.onForeground = c.onAccent;
    t.chip.offFill = c.tertiaryFill;
    t.chip.offForeground = c.label;
    t.chip.focusRing = c.focusRing;

    t.card.background = c.cardBackground;
    t.card.border = withAlpha(c.separator, c.separator.alphaF() * 0.5);
    t.card.radius = 22;
    t.card.shadow = c.shadow;

    t.panel.background = c.quinaryFill;
    t.panel.border = Qt::transparent;
    t.panel.borderWidth = 0;
    t.panel.radius = 20;
    t.panel.shadow = Qt::transparent;

    t.gauge.symbolFont = t.font(TextStyle::title3, QFont::DemiBold);

    t.button.font = t.font(TextStyle::body, QFont::DemiBold);
    t.button.smallFont = t.font(TextStyle::subheadline, QFont::Medium);
    t.button.largeFont = t.font(TextStyle::headline);
    t.button.glassFill = glass;
    t.button.glassBorder = dark ? rgba(255, 255, 255, 0.16) : rgba(0, 0, 0, 0.08);
    t.button.hoverLighten = dark ? 0.08 : 0.05;
    t.button.borderedFill = c.secondaryFill;
    t.button.prominentForeground = c.onAccent;
    t.button.disabledForeground = c.tertiaryLabel;
    t.button.focusRing = c.focusRing;
    t.button.focusRingGap = dark ? rgba(20, 20, 22, 0.85) : rgba(255, 255, 255, 0.95);

    t.badge.font = t.font(TextStyle::caption, QFont::DemiBold);
    t.badge.glassFill = dark ? rgba(60, 60, 64, 0.62) : rgba(255, 255, 255, 0.78);
    t.badge.glassBorder = dark ? rgba(255, 255, 255, 0.18) : rgba(255, 255, 255, 0.95);
    t.badge.foreground = c.label;

    t.tile.background = c.quinaryFill;
    t.tile.symbolFont = t.font(TextStyle::title3);
    t.tile.titleFont = t.font(TextStyle::caption);
    t.tile.valueFont = t.font(TextStyle::subheadline, QFont::DemiBold);
    t.tile.titleColor = c.secondaryLabel;
    t.tile.valueColor = c.label;

    t.toast.background = dark ? rgba(64, 64, 68, 0.96) : rgba(36, 36, 38, 0.94);
    t.toast.foreground = QColor(Qt::white);
    t.toast.action = textShade(mix(leaf, QColor(Qt::white), 0.45),
                               {composite(t.toast.background, c.windowBackground)}, 4.5);
    t.toast.shadow = rgba(0, 0, 0, dark ? 0.45 : 0.22);
    t.toast.font = t.font(TextStyle::subheadline);

    t.menu.background = dark ? c.cardBackground : c.secondaryGroupedBackground;
    t.menu.border = dark ? rgba(255, 255, 255, 0.14) : rgba(0, 0, 0, 0.14);
    t.menu.selection = withAlpha(leaf, dark ? 0.30 : 0.16);

    t.tooltip.background = dark ? rgba(58, 58, 62) : rgba(255, 255, 255);
    t.tooltip.foreground = c.label;
    t.tooltip.border = dark ? rgba(255, 255, 255, 0.16) : rgba(0, 0, 0, 0.16);

    t.list.rowBackground = c.secondaryGroupedBackground;
    t.list.rowHover = dark ? rgba(255, 255, 255, 0.05) : rgba(0, 0, 0, 0.035);
    t.list.rowPressed = dark ? rgba(255, 255, 255, 0.10) : rgba(0, 0, 0, 0.07);
    t.list.separator = c.separator;
    t.list.headerFont = t.font(TextStyle::subheadline, QFont::DemiBold);
    t.list.headerColor = c.secondaryLabel;
    t.list.footerFont = t.font(TextStyle::caption);
    t.list.footerColor = c.secondaryLabel;
    t.list.titleFont = t.font(TextStyle::body);
    t.list.subtitleFont = t.font(TextStyle::subheadline);

    t.searchField.background = c.tertiaryFill;
    t.searchField.focusBackground = dark ? c.secondaryFill : c.cardBackground;
    t.searchField.iconColor = c.secondaryLabel;
    t.searchField.font = t.font(TextStyle::body);

    t.sidebar.background = c.sidebarBackground;
    t.sidebar.selection = withAlpha(c.accent, dark ? 0.30 : 0.18);
    t.sidebar.selectionForeground = c.label;
    t.sidebar.hover = c.quaternaryFill;
    t.sidebar.iconColor = t.textColor(ColorRole::accent);
    t.sidebar.font = t.font(TextStyle::body, QFont::Medium);
    t.sidebar.badgeFont = t.font(TextStyle::caption, QFont::DemiBold);
    t.sidebar.badgeForeground = c.secondaryLabel;
    t.sidebar.badgeBackground = c.tertiaryFill;

    t.navigation.inlineTitleFont = t.font(TextStyle::headline);
    t.navigation.largeTitleFont = t.font(TextStyle::largeTitle);
    t.navigation.backFont = t.font(TextStyle::body);
    t.navigation.tint = t.textColor(ColorRole::accent);
    t.navigation.background = c.windowBackground;
    t.navigation.separator = c.separator;

    t.sheet.dimming = c.dimming;
    // What sheets show at their bottom (lists and forms), so the strip below the content is one
    // with it.
    t.sheet.background = c.groupedBackground;

    t.unavailable.symbolColor = c.secondaryLabel;
    t.unavailable.titleFont = t.font(TextStyle::title2, QFont::Bold);
    t.unavailable.descriptionFont = t.font(TextStyle::body);
    t.unavailable.descriptionColor = c.secondaryLabel;
    return t;
}

QPalette Theme::palette() const
{
    const ThemeColors &c = colors;
    QPalette p;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        const QColor text = disabled ? c.tertiaryLabel : c.label;
        p.setColor(group, QPalette::Window, c.windowBackground);
        p.setColor(group, QPalette::WindowText, text);
        p.setColor(group, QPalette::Base, c.secondaryGroupedBackground);
        p.setColor(group, QPalette::AlternateBase, c.groupedBackground);
        p.setColor(group, QPalette::Text, text);
        p.setColor(group, QPalette::PlaceholderText, c.secondaryLabel);
        p.setColor(group, QPalette::Button, c.secondaryGroupedBackground);
        p.setColor(group, QPalette::ButtonText, text);
        p.setColor(group, QPalette::BrightText, c.onAccent);
        p.setColor(group, QPalette::Highlight, disabled ? c.tertiaryFill : c.accent);
        p.setColor(group, QPalette::HighlightedText, c.onAccent);
        p.setColor(group, QPalette::ToolTipBase, tooltip.background);
        p.setColor(group, QPalette::ToolTipText, tooltip.foreground);
        p.setColor(group, QPalette::Link, textColor(ColorRole::accent));
        p.setColor(group, QPalette::LinkVisited, textColor(ColorRole::accent));
        p.setColor(group, QPalette::Light, mix(c.windowBackground, Qt::white, 0.3));
        p.setColor(group, QPalette::Midlight, mix(c.windowBackground, Qt::white, 0.15));
        p.setColor(group, QPalette::Mid, c.separator);
        p.setColor(group, QPalette::Dark, mix(c.windowBackground, Qt::black, 0.3));
        p.setColor(group, QPalette::Shadow, c.shadow);
    }
    return p;
}
