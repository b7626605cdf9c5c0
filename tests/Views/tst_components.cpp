#include "Views/Components/AdaptiveColumns.h"
#include "Views/Components/AdaptiveGridLayout.h"
#include "Views/Components/CapacityGauge.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/FilterChip.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/KitStyle.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Painting.h"
#include "Views/Components/RoundedClipEffect.h"
#include "Views/Components/SearchField.h"
#include "Views/Components/SectionHeaderStyle.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SidebarItem.h"
#include "Views/Components/Spring.h"
#include "Views/Components/Stepper.h"
#include "Views/Components/SymbolLabel.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>
#include <limits>

class TestComponents final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("TENDREL_APPEARANCE");
        Spring::setAnimationsEnabled(false);
    }

    // Geometry --------------------------------------------------------------------------------

    void roundedPathStaysInsideItsRect_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<unsigned>("corners");
        QTest::newRow("card") << QRectF(10, 20, 200, 250) << qreal(22) << unsigned(Shapes::allCorners);
        QTest::newRow("no radius") << QRectF(0, 0, 50, 30) << qreal(0) << unsigned(Shapes::allCorners);
        QTest::newRow("radius larger than half")
            << QRectF(0, 0, 40, 30) << qreal(100) << unsigned(Shapes::allCorners);
        QTest::newRow("tiny") << QRectF(5, 5, 2, 2) << qreal(12) << unsigned(Shapes::allCorners);
        QTest::newRow("top corners only")
            << QRectF(0, 0, 120, 80) << qreal(22) << unsigned(Shapes::topCorners);
        QTest::newRow("negative radius") << QRectF(0, 0, 50, 30) << qreal(-5) << unsigned(Shapes::allCorners);
        QTest::newRow("NaN radius") << QRectF(0, 0, 50, 30) << std::numeric_limits<qreal>::quiet_NaN()
                                    << unsigned(Shapes::allCorners);
    }

    void roundedPathStaysInsideItsRect()
    {
        QFETCH(QRectF, rect);
        QFETCH(qreal, radius);
        QFETCH(unsigned, corners);
        const QPainterPath path = Shapes::continuousRoundedRect(rect, radius, corners);
        const QRectF bounds = path.boundingRect();
        QVERIFY(std::abs(bounds.left() - rect.left()) < 1e-6);
        QVERIFY(std::abs(bounds.top() - rect.top()) < 1e-6);
        QVERIFY(std::abs(bounds.right() - rect.right()) < 1e-6);
        QVERIFY(std::abs(bounds.bottom() - rect.bottom()) < 1e-6);
        QVERIFY(path.contains(rect.center()));
        const bool rounded = std::isfinite(radius) && radius > 0;
        // A rounded corner leaves its very corner point outside; a square one keeps it.
        const QPointF topLeftCorner = rect.topLeft() + QPointF(0.05, 0.05);
        const QPointF bottomRightCorner = rect.bottomRight() - QPointF(0.05, 0.05);
        QCOMPARE(path.contains(topLeftCorner), !rounded || !(corners & Shapes::topLeft));
        QCOMPARE(path.contains(bottomRightCorner), !rounded || !(corners & Shapes::bottomRight));
    }

    void cachedShapeLooksAsDrawnDirectly_data()
    {
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("whole pixels") << QPointF(10, 20) << qreal(1);
        QTest::newRow("between pixels") << QPointF(10.5, 20.25) << qreal(1);
        QTest::newRow("high density") << QPointF(10, 20) << qreal(2);
        QTest::newRow("fractional density") << QPointF(10, 20) << qreal(1.25);
    }

    // Shapes drawn from the shared pixmaps land where, and look as, the shape drawn directly does,
    // in each colour (a second colour is not served the first one's pixmap).
    void cachedShapeLooksAsDrawnDirectly()
    {
        QFETCH(QPointF, origin);
        QFETCH(qreal, ratio);
        const QRectF rect(origin, QSizeF(120, 90));
        const auto canvas = [ratio] {
            QImage image(QSize(160, 130) * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(QColor(246, 246, 248));
            return image;
        };
        for (const QColor &fill : {QColor(255, 255, 255), QColor(44, 44, 47, 200)}) {
            const QColor border(60, 60, 67, 40);
            QImage cached = canvas();
            {
                QPainter p(&cached);
                Painting::drawRoundedRect(p, rect, 22, fill, border, 1);
            }
            QImage direct = canvas();
            {
                QPainter p(&direct);
                Painting::setHighQuality(p);
                p.fillPath(Shapes::continuousRoundedRect(rect, 22), fill);
                p.setPen(QPen(border, 1));
                p.drawPath(Shapes::continuousRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 21.5));
            }
            int worst = 0;
            for (int y = 0; y < direct.height(); ++y) {
                for (int x = 0; x < direct.width(); ++x) {
                    const QRgb a = cached.pixel(x, y), b = direct.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
                }
            }
            // Blending a layer that was blended once already may round an edge pixel by a step.
            QVERIFY2(worst <= 2, qPrintable(QStringLiteral("%1 differs by %2").arg(fill.name()).arg(worst)));
        }
    }

    void roundedClipCoversItsWidgetAtEveryDensity_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("normal") << qreal(1);
        QTest::newRow("high density") << qreal(2);
        QTest::newRow("fractional density") << qreal(1.5);
    }

    // A clipped widget fills its own rectangle but its corners, wherever it sits in its window and
    // whatever the screen's scale; it is neither enlarged nor tiled.
    void roundedClipCoversItsWidgetAtEveryDensity()
    {
        QFETCH(qreal, ratio);
        QWidget window;
        window.setFixedSize(200, 160);
        window.setAutoFillBackground(true);
        window.setPalette(QPalette(QColor(Qt::white)));
        auto *clipped = new QWidget(&window);
        clipped->setGeometry(30, 20, 100, 80);
        clipped->setAutoFillBackground(true);
        clipped->setPalette(QPalette(QColor(Qt::red)));
        auto *inner = new QWidget(clipped);
        inner->setGeometry(0, 0, 50, 40); // a child in the top-left quarter, blue
        inner->setAutoFillBackground(true);
        inner->setPalette(QPalette(QColor(Qt::blue)));
        clipped->setGraphicsEffect(new RoundedClipEffect(12, Shapes::allCorners, clipped));

        QImage image(QSize(200, 160) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::black);
        window.render(&image);
        const auto at = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * ratio); };
        QCOMPARE(at(40, 25), QColor(Qt::blue)); // the child, in place and at its size
        QCOMPARE(at(78, 58), QColor(Qt::blue));
        QCOMPARE(at(82, 45), QColor(Qt::red));
        QCOMPARE(at(55, 62), QColor(Qt::red));
        QCOMPARE(at(100, 80), QColor(Qt::red));   // the clipped widget's lower half
        QCOMPARE(at(127, 60), QColor(Qt::red));   // just inside its right edge
        QCOMPARE(at(135, 60), QColor(Qt::white)); // just outside it
        QCOMPARE(at(80, 104), QColor(Qt::white)); // below it
        QCOMPARE(at(31, 21), QColor(Qt::white));  // a rounded-off corner
    }

    void roundedPathOfAnEmptyRectIsEmpty()
    {
        QVERIFY(Shapes::continuousRoundedRect(QRectF(0, 0, 0, 10), 8).isEmpty());
        QVERIFY(Shapes::capsule(QRectF()).isEmpty());
    }

    void continuousCornerIsSofterThanACircularOne()
    {
        // Along the diagonal both cut the corner about equally; along the edge the continuous
        // corner starts bending earlier than the arc does.
        const QRectF rect(0, 0, 200, 200);
        const QPainterPath continuous = Shapes::continuousRoundedRect(rect, 20);
        QPainterPath circular;
        circular.addRoundedRect(rect, 20, 20);
        QVERIFY(circular.contains(QPointF(18.4, 0.3)));
        QVERIFY(!continuous.contains(QPointF(18.4, 0.3)));
        QVERIFY(continuous.contains(QPointF(8, 8)) == circular.contains(QPointF(8, 8)));
    }

    void badgePlacement_data()
    {
        QTest::addColumn<int>("corner");
        QTest::addColumn<QSizeF>("badge");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("top right") << int(Qt::TopRightCorner) << QSizeF(60, 24) << QRectF(130, 10, 60, 24);
        QTest::newRow("top left") << int(Qt::TopLeftCorner) << QSizeF(30, 30) << QRectF(10, 10, 30, 30);
        QTest::newRow("bottom left") << int(Qt::BottomLeftCorner) << QSizeF(60, 24)
                                     << QRectF(10, 216, 60, 24);
        QTest::newRow("bottom right")
            << int(Qt::BottomRightCorner) << QSizeF(60, 24) << QRectF(130, 216, 60, 24);
        QTest::newRow("wider than the container stays inside, leading")
            << int(Qt::TopRightCorner) << QSizeF(300, 24) << QRectF(0, 10, 300, 24);
        QTest::newRow("too big for the inset")
            << int(Qt::BottomRightCorner) << QSizeF(195, 245) << QRectF(0, 0, 195, 245);
    }

    void badgePlacement()
    {
        QFETCH(int, corner);
        QFETCH(QSizeF, badge);
        QFETCH(QRectF, expected);
        QCOMPARE(Shapes::badgeRect(QRectF(0, 0, 200, 250), badge, Qt::Corner(corner), 10), expected);
    }

    void aspectFillCropsTheCentre_data()
    {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QSizeF>("target");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("wide into square") << QSizeF(400, 200) << QSizeF(100, 100) << QRectF(100, 0, 200, 200);
        QTest::newRow("tall into wide") << QSizeF(100, 400) << QSizeF(200, 100) << QRectF(0, 175, 100, 50);
        QTest::newRow("same shape") << QSizeF(300, 150) << QSizeF(100, 50) << QRectF(0, 0, 300, 150);
        QTest::newRow("empty image") << QSizeF(0, 0) << QSizeF(100, 50) << QRectF();
    }

    void aspectFillCropsTheCentre()
    {
        QFETCH(QSizeF, image);
        QFETCH(QSizeF, target);
        QFETCH(QRectF, expected);
        QCOMPARE(Shapes::aspectFill(image, target), expected);
    }

    void adaptiveColumnsFitTheWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("columnWidth");
        QTest::addColumn<int>("offset");
        // Minimum 170, spacing 16 (the Explore grid).
        QTest::newRow("smallest window") << 500 << 260 << 2 << 242 << 0;
        QTest::newRow("exactly two at their minimum") << 356 << 260 << 2 << 170 << 0;
        QTest::newRow("one short of two") << 355 << 260 << 1 << 260 << 47;
        QTest::newRow("wide window") << 1340 << 260 << 7 << 177 << 2;
        QTest::newRow("narrower than one column") << 100 << 260 << 1 << 100 << 0;
        QTest::newRow("no width") << 0 << 260 << 1 << 0 << 0;
        QTest::newRow("no maximum") << 355 << int(AdaptiveColumns::unlimited) << 1 << 355 << 0;
    }

    void adaptiveColumnsFitTheWidth()
    {
        QFETCH(int, width);
        QFETCH(int, maximum);
        QFETCH(int, count);
        QFETCH(int, columnWidth);
        QFETCH(int, offset);
        const AdaptiveColumns::Fit fit = AdaptiveColumns::fit(width, 170, maximum, 16);
        QCOMPARE(fit.count, count);
        QCOMPARE(fit.columnWidth, columnWidth);
        QCOMPARE(fit.offset, offset);
        // Every cell of a full row lies inside the width, in both directions, without overlap.
        for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
            QRect previous;
            for (int i = 0; i < count; ++i) {
                const QRect cell = fit.cell(i, 100, 16, width, direction);
                QVERIFY(cell.left() >= 0 && cell.right() < std::max(width, 1));
                QVERIFY(!cell.intersects(previous));
                QCOMPARE(cell.left() < previous.left(), direction == Qt::RightToLeft && i > 0);
                previous = cell;
            }
        }
        QCOMPARE(fit.height(0, 100, 16), 0);
        QCOMPARE(fit.height(count + 1, 100, 16), 216);
    }

    void adaptiveGridLayoutPlacesRowsBelowEachOther()
    {
        QWidget host;
        auto *grid = new AdaptiveGridLayout(150, AdaptiveColumns::unlimited, 12, 12, &host);
        QList<InfoTile *> tiles;
        for (int i = 0; i < 6; ++i) {
            tiles.append(new InfoTile(QStringLiteral("Water"), QStringLiteral("Every %1 days").arg(i),
                                      QStringLiteral("drop.fill"), Qt::blue, &host));
            grid->addWidget(tiles.last());
        }
        host.resize(480, grid->heightForWidth(480));
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        // 480 holds three columns of 150 with 12 between: two rows.
        QCOMPARE(tiles[0]->y(), tiles[2]->y());
        QVERIFY(tiles[3]->y() >= tiles[0]->geometry().bottom() + 12);
        QCOMPARE(tiles[3]->x(), tiles[0]->x());
        QCOMPARE(tiles[0]->width(), 152);
        QCOMPARE(grid->heightForWidth(480), tiles[0]->height() * 2 + 12);
        QCOMPARE(grid->heightForWidth(320), tiles[0]->height() * 3 + 24); // two columns

        // Balanced, 820 (room for five) lays the six out three and three.
        grid->setBalanced(true);
        QCOMPARE(grid->fit(820).count, 3);
        QCOMPARE(grid->fit(820).columnWidth, 265);
        QCOMPARE(grid->fit(480).count, 3);
        QCOMPARE(grid->fit(320).count, 2);
        QCOMPARE(grid->fit(140).count, 1);
    }

    void gaugeArc_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qreal>("span");
        QTest::newRow("empty") << 0.0 << qreal(0);
        QTest::newRow("half") << 0.5 << qreal(-180);
        QTest::newRow("full") << 1.0 << qreal(-360);
        QTest::newRow("one seventh") << 1.0 / 7.0 << qreal(-360.0 / 7.0);
        QTest::newRow("below range") << -0.3 << qreal(0);
        QTest::newRow("above range") << 1.7 << qreal(-360);
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << qreal(0);
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << qreal(-360);
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << qreal(0);
    }

    void gaugeArc()
    {
        QFETCH(double, value);
        QFETCH(qreal, span);
        const CapacityGauge::Arc arc = CapacityGauge::arc(value);
        QCOMPARE(arc.startDegrees, qreal(90)); // twelve o'clock
        QVERIFY(std::abs(arc.spanDegrees - span) < 1e-9);
    }

    // Spring ----------------------------------------------------------------------------------

    void springCurveStartsAtZeroEndsAtOneWithSlightOvershoot()
    {
        QCOMPARE(Spring::progress(0.0), 0.0);
        QCOMPARE(Spring::progress(1.0), 1.0);
        QCOMPARE(Spring::curve().valueForProgress(1.0), 1.0);
        double peak = 0, previous = 0;
        bool risingUntilPeak = true, reachedPeak = false;
        for (int i = 1; i <= 1000; ++i) {
            const double v = Spring::progress(i / 1000.0);
            if (!reachedPeak && v < previous)
                reachedPeak = true;
            if (!reachedPeak && v < previous - 1e-12)
                risingUntilPeak = false;
            peak = std::max(peak, v);
            previous = v;
        }
        QVERIFY(risingUntilPeak);
        QVERIFY2(peak > 1.0, "a spring with damping below 1 overshoots");
        QVERIFY2(peak < 1.01, "damping 0.85 overshoots by well under 1 %");
        // Half the time in, it is most of the way there (a spring starts fast).
        QVERIFY(Spring::progress(0.25) > 0.7);
    }

    void springStepResponse_data()
    {
        QTest::addColumn<double>("damping");
        QTest::addColumn<bool>("overshoots");
        QTest::newRow("standard") << 0.85 << true;
        QTest::newRow("bouncy") << 0.3 << true;
        QTest::newRow("critical") << 1.0 << false;
        QTest::newRow("overdamped") << 1.6 << false;
    }

    void springStepResponse()
    {
        QFETCH(double, damping);
        QFETCH(bool, overshoots);
        QCOMPARE(Spring::stepResponse(0, 0.5, damping), 0.0);
        double peak = 0;
        for (int i = 1; i <= 400; ++i)
            peak = std::max(peak, Spring::stepResponse(i / 100.0, 0.5, damping));
        QCOMPARE(peak > 1.0 + 1e-9, overshoots);
        QVERIFY(std::abs(Spring::stepResponse(4.0, 0.5, damping) - 1.0) < 1e-3);
        QCOMPARE(Spring::stepResponse(std::numeric_limits<double>::quiet_NaN(), 0.5, damping), 1.0);
    }

    void springDurationCoversTheSettling()
    {
        const int ms = Spring::durationMs();
        QVERIFY(ms >= 500 && ms <= 900);
        QVERIFY(std::abs(Spring::stepResponse(ms / 1000.0, 0.5, 0.85) - 1.0) < 2e-3);
    }

    // Theme -----------------------------------------------------------------------------------

    void appearanceFollowsEnvironmentThenOverride()
    {
        Theme::setAppearanceOverride(Appearance::dark);
        QCOMPARE(Theme::current().appearance, Appearance::dark);
        const QColor darkLabel = Theme::current().colors.label;
        qputenv("TENDREL_APPEARANCE", "light");
        Theme::refresh();
        QCOMPARE(Theme::current().appearance, Appearance::light);
        QVERIFY(Theme::current().colors.label != darkLabel);
        qunsetenv("TENDREL_APPEARANCE");
        Theme::setAppearanceOverride(std::nullopt);
    }

    void everyColorRoleHasAColour()
    {
        const Theme &t = Theme::current();
        QSet<QRgb> seen;
        for (ColorRole role : {ColorRole::blue, ColorRole::orange, ColorRole::teal, ColorRole::red,
                               ColorRole::yellow, ColorRole::green, ColorRole::purple, ColorRole::cyan,
                               ColorRole::secondary, ColorRole::tertiary, ColorRole::accent}) {
            QVERIFY(t.color(role).isValid());
            seen.insert(t.color(role).rgba());
        }
        QCOMPARE(seen.size(), 11); // no two roles share a colour
        QCOMPARE(t.color(ColorRole::accent), t.colors.accent);
    }

    void accentGradientEndIsDarkerAccent()
    {
        const Theme &t = Theme::current();
        QVERIFY(t.colors.accentDark.lightnessF() < t.colors.accent.lightnessF());
        QCOMPARE(Theme::mix(t.colors.accent, Qt::black, 0).rgb(), t.colors.accent.rgb());
        QCOMPARE(Theme::mix(t.colors.accent, Qt::black, 1).rgb(), QColor(Qt::black).rgb());
        // Hue survives mixing with black in a perceptual space.
        QVERIFY(std::abs(t.colors.accentDark.hslHueF() - t.colors.accent.hslHueF()) < 0.03);
    }

    // A keyboard user sees where the focus is, also on a button filled with the accent colour:
    // inside the filled shape some pixel stands clearly apart from the fill.
    void focusRingShowsOnFilledButtons_data()
    {
        QTest::addColumn<Appearance>("appearance");
        QTest::addColumn<GlassButton::Style>("style");
        QTest::newRow("light, filled") << Appearance::light << GlassButton::Style::prominentGlass;
        QTest::newRow("dark, filled") << Appearance::dark << GlassButton::Style::prominentGlass;
    }

    void focusRingShowsOnFilledButtons()
    {
        QFETCH(Appearance, appearance);
        QFETCH(GlassButton::Style, style);
        Theme::setAppearanceOverride(appearance);
        const auto restore = qScopeGuard([] { Theme::setAppearanceOverride(std::nullopt); });
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *button = new GlassButton(QStringLiteral("Add a Plant"), {}, style);
        auto *other = new QLineEdit;
        layout->addWidget(button);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto shot = [button] {
            QImage image(button->size(), QImage::Format_ARGB32);
            image.fill(Theme::current().colors.windowBackground);
            button->render(&image, {}, {}, QWidget::DrawChildren);
            return image;
        };
        other->setFocus(Qt::TabFocusReason);
        const QImage plain = shot();
        button->setFocus(Qt::TabFocusReason);
        QVERIFY(button->hasFocus());
        const QImage focused = shot();

        // Across the leading edge at mid height: where the button is filled when it has no focus,
        // the focused button must show something far from that fill.
        auto distance = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                   std::abs(qBlue(a) - qBlue(b));
        };
        const int y = button->height() / 2;
        const QRgb fill = plain.pixel(12, y);
        int strongest = 0;
        for (int x = 0; x < 12; ++x) {
            if (distance(plain.pixel(x, y), fill) < 16)
                strongest = std::max(strongest, distance(focused.pixel(x, y), fill));
        }
        QVERIFY2(strongest >= 120, qPrintable(QString::number(strongest)));
    }

    // User text stays plain text -------------------------------------------------------------

    void userTextIsNeverInterpretedAsMarkup()
    {
        const QString name = QStringLiteral("<img src=x><b>Fern</b>");
        QWidget host;
        auto *column = new QVBoxLayout(&host);
        column->addWidget(new TextLabel(name));
        column->addWidget(new SymbolLabel(QStringLiteral("house"), name));
        auto *row = new ListRow(name);
        row->setSubtitle(name);
        row->setValueText(name);
        column->addWidget(row);
        auto *section = new InsetSection(name);
        section->setFooter(name);
        column->addWidget(section);
        column->addWidget(new InfoTile(name, name, QStringLiteral("leaf"), Qt::green));
        column->addWidget(ContentUnavailableView::search(name));
        column->addWidget(sectionHeaderStyle(new QLabel(name)));
        NavigationStack stack;
        stack.setRoot(new QWidget, name);
        stack.push(new QWidget, name);
        QList<QLabel *> labels = host.findChildren<QLabel *>() + stack.findChildren<QLabel *>();
        QVERIFY(labels.size() >= 12);
        for (QLabel *label : labels)
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // Panels ----------------------------------------------------------------------------------

    void searchPanelNamesTheSearchText()
    {
        auto *panel = ContentUnavailableView::search(QStringLiteral("ficus"));
        // The search text is the user's: a plain word as typed, and isolated from the words around
        // it where it could join them.
        QCOMPARE(panel->title(), QStringLiteral("No Results for “ficus”"));
        QCOMPARE(panel->description(), QStringLiteral("Check the spelling or try a new search."));
        panel->setSearchText(QStringLiteral(" "));
        QCOMPARE(panel->title(), QStringLiteral("No Results for “\u2068 \u2069”"));
        delete panel;
    }

    void unavailablePanelActionsAreButtonsInOrder()
    {
        ContentUnavailableView panel(QStringLiteral("leaf"), QStringLiteral("Your jungle awaits"),
                                     QStringLiteral("Add"));
        GlassButton *add = panel.addAction(QStringLiteral("Add a Plant"), GlassButton::Style::prominentGlass);
        panel.addAction(QStringLiteral("Try with Sample Plants"));
        QCOMPARE(panel.actions().size(), 2);
        QCOMPARE(panel.actions().first(), add);
        QCOMPARE(add->buttonStyle(), GlassButton::Style::prominentGlass);
        QSignalSpy clicked(add, &QAbstractButton::clicked);
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(clicked.size(), 1);
    }

    void overlayFollowsItsHostsSize()
    {
        QWidget host;
        host.resize(300, 200);
        host.show();
        auto *panel = ContentUnavailableView::search(QStringLiteral("x"));
        panel->overlay(&host);
        QCOMPARE(panel->geometry(), host.rect());
        host.resize(500, 400);
        QCOMPARE(panel->geometry(), QRect(0, 0, 500, 400));
    }

    // Sheet -----------------------------------------------------------------------------------

    void sheetEscapeDismissesAndCallsBackOnce()
    {
        QWidget window;
        window.resize(900, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int calls = 0;
        auto *content = new QLineEdit;
        content->setMinimumSize(480, 560);
        QPointer<Sheet> sheet = Sheet::present(&window, content, [&calls] { ++calls; });
        QCOMPARE(Sheet::topmost(&window), sheet.data());
        QCOMPARE(Sheet::of(content), sheet.data());
        QVERIFY(sheet->isVisible());
        QTRY_VERIFY(content->hasFocus());
        QTest::keyClick(content, Qt::Key_Escape);
        QCOMPARE(calls, 1);
        QVERIFY(sheet->isDismissed());
        QVERIFY(!sheet->isVisible());
        sheet->dismiss(); // a second close, e.g. from the state binding, changes nothing
        QCOMPARE(calls, 1);
        QTRY_VERIFY(sheet.isNull()); // deleted with its content
        QCOMPARE(Sheet::topmost(&window), nullptr);
    }

    void sheetCardIsSizedFromContentWithinTheWindow_data()
    {
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QSize>("preferred");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("preferred fits")
            << QSize(1100, 760) << QSize(520, 600) << QSize(560, 640) << QRect(270, 60, 560, 640);
        QTest::newRow("minimum wins over smaller preferred")
            << QSize(1100, 760) << QSize(520, 600) << QSize(300, 200) << QRect(290, 80, 520, 600);
        QTest::newRow("clamped to a small window")
            << QSize(760, 520) << QSize(520, 600) << QSize(520, 600) << QRect(120, 32, 520, 456);
        QTest::newRow("window smaller than the margins")
            << QSize(40, 40) << QSize(520, 600) << QSize(520, 600) << QRect(20, 20, 0, 0);
    }

    void sheetCardIsSizedFromContentWithinTheWindow()
    {
        QFETCH(QSize, window);
        QFETCH(QSize, minimum);
        QFETCH(QSize, preferred);
        QFETCH(QRect, expected);
        QCOMPARE(Sheet::cardGeometry(window, minimum, preferred, 32), expected);
    }

    void sheetKeepsFocusInside()
    {
        QWidget window;
        auto *behind = new QLineEdit(&window);
        window.resize(900, 700);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *content = new QLineEdit;
        Sheet *sheet = Sheet::present(&window, content);
        QTRY_VERIFY(content->hasFocus());
        behind->setFocus();
        QTRY_VERIFY(content->hasFocus());
        sheet->dismiss();
    }

    // Dialogs ---------------------------------------------------------------------------------

    void confirmationSeamAnswersWithoutBlocking_data()
    {
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<int>("expected");
        QTest::newRow("first action by index") << QVariant(0) << 0;
        QTest::newRow("by title") << QVariant(QStringLiteral("Delete")) << 0;
        QTest::newRow("cancel by title") << QVariant(QStringLiteral("Cancel")) << -1;
        QTest::newRow("cancel by -1") << QVariant(-1) << -1;
        QTest::newRow("unknown title cancels") << QVariant(QStringLiteral("Nope")) << -1;
    }

    void confirmationSeamAnswersWithoutBlocking()
    {
        QFETCH(QVariant, answer);
        QFETCH(int, expected);
        if (answer.typeId() == QMetaType::Int)
            MessageBox::setNextAnswer(answer.toInt());
        else
            MessageBox::setNextAnswer(answer.toString());
        const int chosen = MessageBox::confirm(nullptr, QStringLiteral("Delete Fern?"),
                                               QStringLiteral("Its care history will be removed too."),
                                               {{QStringLiteral("Delete"), MessageBox::Role::destructive}});
        QCOMPARE(chosen, expected);
        const auto shown = MessageBox::lastShown();
        QVERIFY(shown);
        QCOMPARE(shown->title, QStringLiteral("Delete Fern?"));
        QCOMPARE(shown->message, QStringLiteral("Its care history will be removed too."));
        QCOMPARE(shown->buttons, (QStringList{QStringLiteral("Delete"), QStringLiteral("Cancel")}));
    }

    void alertHasOneOkByDefault()
    {
        MessageBox::setNextAnswer(QStringLiteral("OK"));
        QCOMPARE(
            MessageBox::alert(nullptr, QStringLiteral("Notifications Are Off"), QStringLiteral("Allow…")), 0);
        QCOMPARE(MessageBox::lastShown()->buttons, QStringList{QStringLiteral("OK")});
    }

    void realDialogShowsPlainTextAndEscapeCancels()
    {
        MessageBox::clearNextAnswer();
        bool inspected = false;
        QTimer::singleShot(0, this, [&inspected] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
            QVERIFY(!labels.isEmpty());
            for (QLabel *label : labels)
                QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(labels.first()->text(), QStringLiteral("Delete <b>Fern</b>?"));
            inspected = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const int chosen =
            MessageBox::confirm(nullptr, QStringLiteral("Delete <b>Fern</b>?"), QStringLiteral("Gone."),
                                {{QStringLiteral("Delete"), MessageBox::Role::destructive}});
        QVERIFY(inspected);
        QCOMPARE(chosen, -1);
    }

    // Navigation ------------------------------------------------------------------------------

    void navigationStackPushPopTitles()
    {
        NavigationStack stack;
        stack.setAnimated(false);
        stack.resize(800, 600);
        auto *trailing = new GlassButton(QStringLiteral("Add Plant"), QStringLiteral("plus"));
        NavigationItem *root = stack.setRoot(new QWidget, QStringLiteral("Today"));
        root->addTrailing(trailing);
        stack.show();
        QVERIFY(!stack.backButton()->isVisible());
        QVERIFY(trailing->isVisible());
        QCOMPARE(stack.pop(), false); // the root stays

        QSignalSpy changed(&stack, &NavigationStack::currentChanged);
        QSignalSpy popped(&stack, &NavigationStack::pagePopped);
        QPointer<QWidget> detail = new QWidget;
        NavigationItem *item = stack.push(detail, QStringLiteral("Monstera"));
        QCOMPARE(stack.titles(), (QStringList{QStringLiteral("Today"), QStringLiteral("Monstera")}));
        QCOMPARE(stack.currentPage(), detail.data());
        QCOMPARE(NavigationStack::of(detail), &stack);
        QVERIFY(stack.backButton()->isVisible());
        QCOMPARE(stack.backButton()->text(), QStringLiteral("Today"));
        QVERIFY(!trailing->isVisible()); // the root's toolbar leaves with it
        item->setTitle(QStringLiteral("Big Monstera"));
        QCOMPARE(stack.currentTitle(), QStringLiteral("Big Monstera"));
        QVERIFY(stack.header()->findChildren<QLabel *>().constFirst()->text() ==
                QStringLiteral("Big Monstera"));

        stack.push(new QWidget, QStringLiteral("Edit Plant"));
        QCOMPARE(stack.backButton()->text(), QStringLiteral("Big Monstera"));
        QTest::mouseClick(stack.backButton(), Qt::LeftButton);
        QCOMPARE(stack.depth(), 2);
        QCOMPARE(stack.currentTitle(), QStringLiteral("Big Monstera"));

        stack.popToRoot();
        QCOMPARE(stack.depth(), 1);
        QCOMPARE(stack.currentTitle(), QStringLiteral("Today"));
        QVERIFY(trailing->isVisible());
        QCOMPARE(changed.size(), 4);
        QCOMPARE(popped.size(), 2);
        QTRY_VERIFY(detail.isNull()); // popped pages are deleted
    }

    // Controls --------------------------------------------------------------------------------

    void filterChipTogglesAndReportsSelection()
    {
        FilterChip chip(QStringLiteral("Pet Safe"), QStringLiteral("pawprint.fill"));
        QSignalSpy toggled(&chip, &FilterChip::toggled);
        QVERIFY(!chip.isOn());
        QTest::mouseClick(&chip, Qt::LeftButton);
        QVERIFY(chip.isOn());
        QTest::keyClick(&chip, Qt::Key_Space);
        QVERIFY(!chip.isOn());
        QCOMPARE(toggled.size(), 2);
        chip.setOn(true);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&chip);
        QVERIFY(iface);
        QVERIFY(iface->state().checkable);
        QVERIFY(iface->state().checked);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Pet Safe"));
    }

    void iconOnlyButtonsHaveAccessibleNamesAndTakeFocus()
    {
        auto *round = GlassButton::circular(QStringLiteral("drop.fill"), QColor(Qt::blue), 36,
                                            QStringLiteral("Mark water done for Fern"));
        QCOMPARE(round->sizeHint(), QSize(36, 36));
        QCOMPARE(round->accessibleName(), QStringLiteral("Mark water done for Fern"));
        QCOMPARE(round->focusPolicy(), Qt::StrongFocus);
        QSignalSpy clicked(round, &QAbstractButton::clicked);
        QTest::keyClick(round, Qt::Key_Return);
        QTRY_COMPARE(clicked.size(), 1);
        delete round;
    }

    void sidebarSelectsWithKeysAndShowsBadges()
    {
        Sidebar sidebar;
        sidebar.addItem(QStringLiteral("checklist"), QStringLiteral("Today"));
        sidebar.addItem(QStringLiteral("leaf"), QStringLiteral("My Plants"));
        sidebar.addItem(QStringLiteral("books.vertical"), QStringLiteral("Explore"));
        QCOMPARE(sidebar.currentIndex(), 0);
        QSignalSpy changed(&sidebar, &Sidebar::currentChanged);
        QTest::keyClick(sidebar.item(0), Qt::Key_Down);
        QCOMPARE(sidebar.currentIndex(), 1);
        QTest::keyClick(sidebar.item(1), Qt::Key_End);
        QCOMPARE(sidebar.currentIndex(), 2);
        QTest::keyClick(sidebar.item(2), Qt::Key_Down); // stays at the end
        QCOMPARE(sidebar.currentIndex(), 2);
        QTest::mouseClick(sidebar.item(0), Qt::LeftButton);
        QCOMPARE(changed.size(), 3);
        QVERIFY(sidebar.item(0)->isChecked() && !sidebar.item(2)->isChecked());
        sidebar.setBadge(0, 3);
        QVERIFY(sidebar.item(0)->accessibleName().startsWith(QStringLiteral("Today")));
        QVERIFY(sidebar.item(0)->accessibleName().contains(QLatin1Char('3')));
        sidebar.setBadge(0, 0);
        QCOMPARE(sidebar.item(0)->accessibleName(), QStringLiteral("Today"));
    }

    void stepperStaysInRange()
    {
        Stepper stepper(1, 120);
        QSignalSpy changed(&stepper, &Stepper::valueChanged);
        stepper.setValue(0);
        QCOMPARE(stepper.value(), 1);
        QVERIFY(!stepper.decrementButton()->isEnabled());
        stepper.setValue(500);
        QCOMPARE(stepper.value(), 120);
        QVERIFY(!stepper.incrementButton()->isEnabled());
        stepper.stepUp();
        QCOMPARE(stepper.value(), 120);
        QTest::keyClick(&stepper, Qt::Key_Down);
        QCOMPARE(stepper.value(), 119);
        QCOMPARE(changed.size(), 2);
    }

    void searchFieldReportsTextAsTypedAndEscapeClears()
    {
        SearchField field(QStringLiteral("Search plants"));
        QSignalSpy changed(&field, &SearchField::textChanged);
        QTest::keyClicks(field.lineEdit(), QStringLiteral(" fern "));
        QCOMPARE(field.text(), QStringLiteral(" fern "));
        QCOMPARE(changed.last().first().toString(), QStringLiteral(" fern "));
        QVERIFY(!field.clearButton()->isHidden());
        QTest::keyClick(field.lineEdit(), Qt::Key_Escape);
        QCOMPARE(field.text(), QString());
        QVERIFY(field.clearButton()->isHidden());
    }

    void contextMenuItemsAreBuiltWhenAsked()
    {
        QWidget card;
        int watered = 0;
        bool enabled = true;
        ContextMenu::attach(&card, [&] {
            QList<ContextMenu::Item> items;
            if (enabled)
                items.append(
                    {QStringLiteral("Mark Watered"), QStringLiteral("drop.fill"), [&watered] { ++watered; }});
            items.append(ContextMenu::separator());
            items.append(
                {QStringLiteral("Delete"), QStringLiteral("trash"), [] {}, ContextMenu::Role::destructive});
            return items;
        });
        QCOMPARE(ContextMenu::itemsFor(&card), (QStringList{QStringLiteral("Mark Watered"),
                                                            QStringLiteral("-"), QStringLiteral("Delete")}));
        QVERIFY(ContextMenu::trigger(&card, QStringLiteral("Mark Watered")));
        QCOMPARE(watered, 1);
        enabled = false;
        QVERIFY(!ContextMenu::trigger(&card, QStringLiteral("Mark Watered")));
        QCOMPARE(ContextMenu::itemsFor(&card), (QStringList{QStringLiteral("-"), QStringLiteral("Delete")}));
    }

    void insetSectionRowsCanBeReplaced()
    {
        InsetSection section(QStringLiteral("Today"));
        QPointer<ListRow> first = new ListRow(QStringLiteral("A"));
        section.addRow(first);
        section.addRow(new ListRow(QStringLiteral("B")));
        section.insertRow(0, new ListRow(QStringLiteral("C")));
        QCOMPARE(section.rowCount(), 3);
        QCOMPARE(static_cast<ListRow *>(section.row(0))->title(), QStringLiteral("C"));
        section.removeRow(first);
        QCOMPARE(section.rowCount(), 2);
        QTRY_VERIFY(first.isNull());
        section.clearRows();
        QCOMPARE(section.rowCount(), 0);
    }

    void activatableRowRespondsToClickAndKeys()
    {
        ListRow row(QStringLiteral("Add Sample Plants"));
        row.setActivatable(true);
        row.resize(300, 44);
        QSignalSpy activated(&row, &ListRow::activated);
        QTest::mouseClick(&row, Qt::LeftButton);
        QTest::keyClick(&row, Qt::Key_Return);
        QTest::keyClick(&row, Qt::Key_Space);
        QCOMPARE(activated.size(), 3);
        row.setEnabled(false);
        QTest::mouseClick(&row, Qt::LeftButton);
        QCOMPARE(activated.size(), 3);
    }

    // Stock parts -----------------------------------------------------------------------------

    // Qt's own menus, tooltips and combo lists take the kit's look: rounded padded menus,
    // tooltips in the theme's colours, and a combo list below its field, never narrower.
    void stockPartsFollowTheKit()
    {
        KitStyle::install();
        QVERIFY(qobject_cast<KitStyle *>(QApplication::style()));
        const Theme &t = Theme::current();
        QMenu menu;
        menu.addAction(QStringLiteral("Kitchen"));
        QVERIFY(KitStyle::isRoundedPopup(&menu));
        QCOMPARE(menu.style()->pixelMetric(QStyle::PM_MenuHMargin, nullptr, &menu), t.menu.padding);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), t.tooltip.background);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipText), t.tooltip.foreground);

        QWidget window;
        window.resize(400, 300);
        auto *combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        combo->setGeometry(40, 40, 260, 30);
        combo->setCurrentIndex(1);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        combo->showPopup();
        QWidget *list = combo->view()->window();
        QTRY_VERIFY(list->isVisible());
        const QRect field(combo->mapToGlobal(QPoint(0, 0)), combo->size());
        QVERIFY2(list->geometry().top() >= field.bottom(), "the list opens below the field, not over it");
        QVERIFY(list->width() >= field.width());
        combo->hidePopup();
    }
};

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
