#include "Views/Components/Theme.h"

#include <QtTest>

#include <functional>

// Every text colour the theme pairs with a background, and every focus ring and control outline
// with what surrounds it, computed to the WCAG 2.2 contrast ratio in both appearances.
namespace {

using Pick = std::function<QColor(const Theme &)>;

struct Pair
{
    QString name;
    Pick text;
    Pick background; // opaque: translucent surfaces are composited over what they sit on
    qreal minimum;
};

constexpr qreal bodyText = 4.5;
constexpr qreal outline = 3.0;

const char *roleName(ColorRole role)
{
    static const char *const names[] = {"blue",   "orange", "teal",      "red",      "yellow", "green",
                                        "purple", "cyan",   "secondary", "tertiary", "accent"};
    return names[int(role)];
}

// The surfaces text is drawn on, as the screens show them.
QList<std::pair<QString, Pick>> surfaces()
{
    return {
        {QStringLiteral("window"), [](const Theme &t) { return t.colors.windowBackground; }},
        {QStringLiteral("grouped list"), [](const Theme &t) { return t.colors.groupedBackground; }},
        {QStringLiteral("list row"), [](const Theme &t) { return t.list.rowBackground; }},
        {QStringLiteral("card"), [](const Theme &t) { return t.card.background; }},
        {QStringLiteral("sidebar"), [](const Theme &t) { return t.sidebar.background; }},
        {QStringLiteral("panel"),
         [](const Theme &t) { return Theme::composite(t.panel.background, t.colors.windowBackground); }},
        {QStringLiteral("tile on a card"),
         [](const Theme &t) { return Theme::composite(t.tile.background, t.card.background); }},
    };
}

QList<Pair> pairs()
{
    QList<Pair> list;
    for (const auto &[surface, background] : surfaces()) {
        list.append({QStringLiteral("label on ") + surface, [](const Theme &t) { return t.colors.label; },
                     background, bodyText});
        list.append({QStringLiteral("secondary label on ") + surface,
                     [](const Theme &t) { return t.colors.secondaryLabel; }, background, bodyText});
        list.append({QStringLiteral("focus ring on ") + surface,
                     [](const Theme &t) { return t.colors.focusRing; }, background, outline});
        list.append({QStringLiteral("button focus ring on ") + surface,
                     [](const Theme &t) { return t.button.focusRing; }, background, outline});
        list.append({QStringLiteral("control outline on ") + surface,
                     [](const Theme &t) { return t.colors.controlOutline; }, background, outline});
        for (int i = 0; i < colorRoleCount; ++i) {
            const auto role = ColorRole(i);
            list.append({QStringLiteral("%1 text on %2").arg(QLatin1String(roleName(role)), surface),
                         [role](const Theme &t) { return t.textColor(role); }, background, bodyText});
        }
    }
    for (int i = 0; i < colorRoleCount; ++i) {
        const auto role = ColorRole(i);
        const QString name = QLatin1String(roleName(role));
        list.append(
            {name + QStringLiteral(" text on its own tinted glass"),
             [role](const Theme &t) { return t.textColor(role); },
             [role](const Theme &t) {
                 const QColor glass = Theme::composite(t.button.glassFill, t.colors.groupedBackground);
                 return Theme::composite(Theme::withAlpha(t.color(role), t.button.glassTintAlpha), glass);
             },
             bodyText});
        list.append({QStringLiteral("white on solid ") + name,
                     [](const Theme &t) { return t.colors.onAccent; },
                     [role](const Theme &t) { return t.solidColor(role); }, bodyText});
    }
    list += QList<Pair>{
        {QStringLiteral("white on accent (prominent button, summary card)"),
         [](const Theme &t) { return t.button.prominentForeground; },
         [](const Theme &t) { return t.colors.accent; }, bodyText},
        {QStringLiteral("white on the summary card's dark end"),
         [](const Theme &t) { return t.colors.onAccent; }, [](const Theme &t) { return t.colors.accentDark; },
         bodyText},
        {QStringLiteral("chip on"), [](const Theme &t) { return t.chip.onForeground; },
         [](const Theme &t) { return t.chip.onFill; }, bodyText},
        {QStringLiteral("chip off"), [](const Theme &t) { return t.chip.offForeground; },
         [](const Theme &t) { return Theme::composite(t.chip.offFill, t.colors.windowBackground); },
         bodyText},
        {QStringLiteral("toast text"), [](const Theme &t) { return t.toast.foreground; },
         [](const Theme &t) { return Theme::composite(t.toast.background, t.colors.windowBackground); },
         bodyText},
        {QStringLiteral("toast action"), [](const Theme &t) { return t.toast.action; },
         [](const Theme &t) { return Theme::composite(t.toast.background, t.colors.windowBackground); },
         bodyText},
        {QStringLiteral("list header"), [](const Theme &t) { return t.list.headerColor; },
         [](const Theme &t) { return t.colors.groupedBackground; }, bodyText},
        {QStringLiteral("list footer"), [](const Theme &t) { return t.list.footerColor; },
         [](const Theme &t) { return t.colors.groupedBackground; }, bodyText},
        {QStringLiteral("navigation tint"), [](const Theme &t) { return t.navigation.tint; },
         [](const Theme &t) { return t.navigation.background; }, bodyText},
        {QStringLiteral("sidebar selection"), [](const Theme &t) { return t.sidebar.selectionForeground; },
         [](const Theme &t) { return Theme::composite(t.sidebar.selection, t.sidebar.background); },
         bodyText},
        {QStringLiteral("sidebar badge"), [](const Theme &t) { return t.sidebar.badgeForeground; },
         [](const Theme &t) { return Theme::composite(t.sidebar.badgeBackground, t.sidebar.background); },
         bodyText},
        {QStringLiteral("tinted badge over a white photo"), [](const Theme &t) { return t.colors.onAccent; },
         [](const Theme &t) {
             return Theme::composite(Theme::withAlpha(t.solidColor(ColorRole::red), t.badge.tintAlpha),
                                     Qt::white);
         },
         bodyText},
        {QStringLiteral("button focus ring on its gap"), [](const Theme &t) { return t.button.focusRing; },
         [](const Theme &t) { return Theme::composite(t.button.focusRingGap, t.colors.windowBackground); },
         outline},
        {QStringLiteral("menu item"), [](const Theme &t) { return t.colors.label; },
         [](const Theme &t) { return t.menu.background; }, bodyText},
        {QStringLiteral("hovered menu item"), [](const Theme &t) { return t.colors.label; },
         [](const Theme &t) { return Theme::composite(t.menu.selection, t.menu.background); }, bodyText},
        {QStringLiteral("tooltip"), [](const Theme &t) { return t.tooltip.foreground; },
         [](const Theme &t) { return t.tooltip.background; }, bodyText},
        {QStringLiteral("palette placeholder"),
         [](const Theme &t) { return t.palette().color(QPalette::PlaceholderText); },
         [](const Theme &t) { return t.palette().color(QPalette::Base); }, bodyText},
        {QStringLiteral("palette selection"),
         [](const Theme &t) { return t.palette().color(QPalette::HighlightedText); },
         [](const Theme &t) { return t.palette().color(QPalette::Highlight); }, bodyText},
        {QStringLiteral("palette link"), [](const Theme &t) { return t.palette().color(QPalette::Link); },
         [](const Theme &t) { return t.palette().color(QPalette::Base); }, bodyText},
        {QStringLiteral("palette tooltip"),
         [](const Theme &t) { return t.palette().color(QPalette::ToolTipText); },
         [](const Theme &t) { return t.palette().color(QPalette::ToolTipBase); }, bodyText},
    };
    return list;
}

} // namespace

Q_DECLARE_METATYPE(Appearance)

class TestThemeContrast final : public QObject
{
    Q_OBJECT

private slots:
    void contrastRatioFollowsWcag_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("same colour") << QColor(120, 40, 200) << QColor(120, 40, 200) << 1.0;
        QTest::newRow("#767676 on white, the AA boundary")
            << QColor(0x76, 0x76, 0x76) << QColor(Qt::white) << 4.54;
        QTest::newRow("half-transparent black on white") << QColor(0, 0, 0, 128) << QColor(Qt::white) << 4.0;
    }

    void contrastRatioFollowsWcag()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(qreal, ratio);
        QVERIFY2(qAbs(Theme::contrastRatio(text, background) - ratio) < 0.02,
                 qPrintable(QString::number(Theme::contrastRatio(text, background))));
    }

    void everyPairReads_data()
    {
        QTest::addColumn<Appearance>("appearance");
        QTest::addColumn<int>("index");
        const QList<Pair> list = pairs();
        for (Appearance appearance : {Appearance::light, Appearance::dark}) {
            const char *prefix = appearance == Appearance::light ? "light: " : "dark: ";
            for (int i = 0; i < list.size(); ++i)
                QTest::newRow(qPrintable(QLatin1String(prefix) + list[i].name)) << appearance << i;
        }
    }

    void everyPairReads()
    {
        QFETCH(Appearance, appearance);
        QFETCH(int, index);
        const Pair pair = pairs().at(index);
        const Theme theme = Theme::make(appearance);
        const QColor text = pair.text(theme);
        const QColor background = pair.background(theme);
        const qreal ratio = Theme::contrastRatio(text, background);
        QVERIFY2(ratio >= pair.minimum, qPrintable(QStringLiteral("%1 on %2: %3:1, needs %4:1")
                                                       .arg(text.name(QColor::HexArgb), background.name())
                                                       .arg(ratio, 0, 'f', 2)
                                                       .arg(pair.minimum)));
    }

    // A colour that carries text keeps its hue: the orange of fertilizing stays orange.
    void shadesKeepTheirHue_data()
    {
        QTest::addColumn<Appearance>("appearance");
        QTest::addColumn<int>("role");
        for (Appearance appearance : {Appearance::light, Appearance::dark}) {
            for (ColorRole role : {ColorRole::blue, ColorRole::orange, ColorRole::teal, ColorRole::red,
                                   ColorRole::green, ColorRole::purple, ColorRole::cyan}) {
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(
                    QLatin1String(appearance == Appearance::light ? "light" : "dark"),
                    QLatin1String(roleName(role)))))
                    << appearance << int(role);
            }
        }
    }

    void shadesKeepTheirHue()
    {
        QFETCH(Appearance, appearance);
        QFETCH(int, role);
        const Theme theme = Theme::make(appearance);
        const auto hueDistance = [](const QColor &a, const QColor &b) {
            const qreal d = qAbs(a.hsvHueF() - b.hsvHueF());
            return qMin(d, 1 - d) * 360;
        };
        const QColor base = theme.color(ColorRole(role));
        QVERIFY2(hueDistance(base, theme.textColor(ColorRole(role))) < 12, "text shade");
        QVERIFY2(hueDistance(base, theme.solidColor(ColorRole(role))) < 12, "solid shade");
    }

    void shadeMovesOnlyAsFarAsNeeded()
    {
        const QColor orange(255, 149, 0);
        const QColor white(Qt::white);
        // Already readable: unchanged.
        QCOMPARE(Theme::textShade(QColor(0, 0, 0), {white}, 4.5), QColor(0, 0, 0));
        const QColor text = Theme::textShade(orange, {white}, 4.5);
        QVERIFY(Theme::contrastRatio(text, white) >= 4.5);
        QVERIFY(Theme::contrastRatio(text, white) < 4.7);
        // On a dark surface the shade lightens instead.
        const QColor dark(30, 30, 32);
        const QColor blue(10, 132, 255);
        const QColor light = Theme::textShade(blue, {dark}, 7.0);
        QVERIFY(light.lightnessF() > blue.lightnessF());
        QVERIFY(Theme::contrastRatio(light, dark) >= 7.0);
        // A fill under white text darkens.
        const QColor fill = Theme::fillShade(orange, white, 4.5);
        QVERIFY(Theme::contrastRatio(white, fill) >= 4.5);
        QVERIFY(fill.lightnessF() < orange.lightnessF());
    }
};

QTEST_MAIN(TestThemeContrast)
#include "tst_themecontrast.moc"
