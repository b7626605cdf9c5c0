#include "Models/Plant.h"
#include "Models/Species.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/PhotoViewGeometry.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/PlantThumbnail.h"
#include "Views/Components/SpeciesIllustration.h"
#include "Views/Plants/PlantPictureCache.h"

#include "fixtures/ImageFixtures.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLibraryInfo>
#include <QPainter>
#include <QProcess>
#include <QResource>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace ImageFixtures;

// Receives the addresses the credit label asks the desktop to open.
class UrlCatcher final : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestPhotoViews final : public QObject
{
    Q_OBJECT

private slots:
    void placeholderSymbolSize_data();
    void placeholderSymbolSize();
    void gradientFollowsHue_data();
    void gradientFollowsHue();
    void decodeSizeCoversFrame_data();
    void decodeSizeCoversFrame();

    void creditLine_data();
    void creditLine();
    void creditLabelTakesNoSpaceWithoutCredit();
    void creditLinkOpensOnlyTheCheckedAddress();
    void creditTextStaysPlain();

    void undecodablePhotoKeepsPlaceholder();
    void photoDecodesToFrameSize();
    void laterPhotoWins();
    void thumbnailFollowsPlant();
    void thumbnailDecodesOnlyOnScreen();
    void speciesImageIsBackdrop();
    void illustrationRectFallsOnPixels_data();
    void illustrationRectFallsOnPixels();
    void everySpeciesIsDrawn_data();
    void everySpeciesIsDrawn();
    void drawingsAreDistinct();
    void drawingRenderedOncePerSize();
    void pictureIsDecorative();

    void renderSamples();
};

void TestPhotoViews::placeholderSymbolSize_data()
{
    QTest::addColumn<QSizeF>("frame");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<qreal>("expected");
    QTest::newRow("species row") << QSizeF(44, 44) << 0.5 << 22.0;
    QTest::newRow("thumbnail") << QSizeF(48, 48) << 0.45 << 21.6;
    QTest::newRow("species card: the height is shorter") << QSizeF(260, 130) << 0.42 << 54.6;
    QTest::newRow("tall frame: the width is shorter") << QSizeF(84, 300) << 0.45 << 37.8;
    QTest::newRow("collapsed frame") << QSizeF(0, 300) << 0.3 << 0.0;
}

void TestPhotoViews::placeholderSymbolSize()
{
    QFETCH(QSizeF, frame);
    QFETCH(qreal, scale);
    QFETCH(qreal, expected);
    QVERIFY(qAbs(PhotoViewGeometry::placeholderSymbolSize(frame, scale) - expected) < 1e-9);
    const QRectF symbol = PhotoViewGeometry::placeholderSymbolRect(QRectF(QPointF(10, 20), frame), scale);
    QVERIFY(qAbs(symbol.width() - expected) < 1e-9);
    QCOMPARE(symbol.center(), QRectF(QPointF(10, 20), frame).center());
}

void TestPhotoViews::gradientFollowsHue_data()
{
    QTest::addColumn<double>("hue");
    QTest::addColumn<double>("endHue");
    QTest::newRow("monstera") << 0.36 << 0.40;
    QTest::newRow("custom") << 0.33 << 0.37;
    QTest::newRow("wraps round the circle") << 0.98 << 0.02;
}

void TestPhotoViews::gradientFollowsHue()
{
    QFETCH(double, hue);
    QFETCH(double, endHue);
    const PhotoViewGeometry::Gradient gradient = PhotoViewGeometry::backgroundGradient(hue);
    QVERIFY(qAbs(gradient.start.hsvHueF() - hue) < 1e-3);
    QVERIFY(qAbs(gradient.start.hsvSaturationF() - 0.42) < 1e-3);
    QVERIFY(qAbs(gradient.start.valueF() - 0.78) < 1e-3);
    QVERIFY(qAbs(gradient.end.hsvHueF() - endHue) < 1e-3);
    QVERIFY(qAbs(gradient.end.hsvSaturationF() - 0.62) < 1e-3);
    QVERIFY(qAbs(gradient.end.valueF() - 0.46) < 1e-3);
    QCOMPARE(gradient.start.alpha(), 255);
}

void TestPhotoViews::decodeSizeCoversFrame_data()
{
    QTest::addColumn<std::optional<QSize>>("photo");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("expected");
    QTest::newRow("thumbnail at 2x") << std::optional(QSize(1600, 1200)) << QSize(96, 96) << 128;
    QTest::newRow("wide card: width decides") << std::optional(QSize(1600, 1200)) << QSize(600, 300) << 640;
    QTest::newRow("portrait in a tall frame") << std::optional(QSize(1200, 1600)) << QSize(100, 400) << 512;
    QTest::newRow("exact step") << std::optional(QSize(1600, 1200)) << QSize(512, 384) << 512;
    QTest::newRow("large frame: capped") << std::optional(QSize(1600, 1200)) << QSize(2000, 1500) << 1200;
    QTest::newRow("unknown size: cap") << std::optional<QSize>() << QSize(48, 48) << 1200;
}

void TestPhotoViews::decodeSizeCoversFrame()
{
    QFETCH(std::optional<QSize>, photo);
    QFETCH(QSize, frame);
    QFETCH(int, expected);
    const int maxPixel = PhotoViewGeometry::decodeMaxPixel(photo, frame, 1200);
    QCOMPARE(maxPixel, expected);
    if (photo && maxPixel < 1200) {
        // Decoded at that size, the photo still covers the frame.
        const QSize decoded = photo->scaled(maxPixel, maxPixel, Qt::KeepAspectRatio);
        QVERIFY(decoded.width() >= frame.width() && decoded.height() >= frame.height());
    }
}

void TestPhotoViews::creditLine_data()
{
    QTest::addColumn<std::optional<PhotoCredit>>("credit");
    QTest::addColumn<bool>("hasImage");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("link");

    const auto credit = [](const QString &source) {
        return std::optional(
            PhotoCredit{QStringLiteral("Ann Example"), QStringLiteral("CC BY-SA 4.0"), source});
    };
    const QString page = QStringLiteral("https://commons.wikimedia.org/wiki/File:Monstera.jpg");
    QTest::newRow("no credit") << std::optional<PhotoCredit>() << true << false << QString();
    QTest::newRow("credit without its photograph") << credit(page) << false << false << QString();
    QTest::newRow("https page") << credit(page) << true << true << page;
    QTest::newRow("http page") << credit(QStringLiteral("http://commons.wikimedia.org/wiki/File:A.jpg"))
                               << true << true
                               << QStringLiteral("http://commons.wikimedia.org/wiki/File:A.jpg");
    QTest::newRow("empty source: plain") << credit(QString()) << true << true << QString();
    QTest::newRow("not an address: plain")
        << credit(QStringLiteral("see the archive")) << true << true << QString();
    QTest::newRow("no host: plain") << credit(QStringLiteral("https://")) << true << true << QString();
    QTest::newRow("script: plain") << credit(QStringLiteral("javascript:alert(1)")) << true << true
                                   << QString();
    QTest::newRow("local file: plain")
        << credit(QStringLiteral("file:///etc/passwd")) << true << true << QString();
}

void TestPhotoViews::creditLine()
{
    QFETCH(std::optional<PhotoCredit>, credit);
    QFETCH(bool, hasImage);
    QFETCH(bool, shown);
    QFETCH(QString, link);

    const std::optional<PhotoCreditLabel::Line> line = PhotoCreditLabel::lineFor(credit, hasImage);
    QCOMPARE(line.has_value(), shown);
    if (!line)
        return;
    QCOMPARE(line->text, QStringLiteral("Photo: Ann Example \u00B7 CC BY-SA 4.0 \u00B7 Wikimedia Commons"));
    QCOMPARE(line->accessibleName,
             QStringLiteral("Photo by Ann Example, CC BY-SA 4.0, from Wikimedia Commons"));
    QCOMPARE(line->link.has_value(), !link.isEmpty());
    if (line->link)
        QCOMPARE(*line->link, QUrl(link));
}

void TestPhotoViews::creditLabelTakesNoSpaceWithoutCredit()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *credit = new PhotoCreditLabel(Species::custom());
    layout->addWidget(credit);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!credit->isVisible());
    QVERIFY(!credit->line());

    credit->setCredit(PhotoCredit{QStringLiteral("Ann"), QStringLiteral("CC0"), QString()}, true);
    QVERIFY(credit->isVisible());
    QCOMPARE(credit->textFormat(), Qt::PlainText);
    QCOMPARE(credit->accessibleName(), QStringLiteral("Photo by Ann, CC0, from Wikimedia Commons"));
    // At most two lines of its font.
    QVERIFY(credit->maximumHeight() <= 2 * QFontMetrics(credit->font()).lineSpacing() + 2);

    credit->setSpecies(Species::custom());
    QVERIFY(!credit->isVisible());
}

void TestPhotoViews::creditLinkOpensOnlyTheCheckedAddress()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const auto unset = qScopeGuard([] {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    });
    const QString page = QStringLiteral("https://commons.wikimedia.org/wiki/File:Pilea peperomioides.jpg");

    PhotoCreditLabel credit(Species::custom());
    credit.setCredit(PhotoCredit{QStringLiteral("Ann"), QStringLiteral("CC0"), page}, true);
    QCOMPARE(credit.textFormat(), Qt::RichText);
    QVERIFY(credit.text().contains(
        QStringLiteral("href=\"https://commons.wikimedia.org/wiki/File:Pilea%20peperomioides.jpg\"")));
    emit credit.linkActivated(QStringLiteral("file:///somewhere/else"));
    QCOMPARE(catcher.opened, QList<QUrl>{QUrl(page)});

    credit.setCredit(
        PhotoCredit{QStringLiteral("Ann"), QStringLiteral("CC0"), QStringLiteral("not an address")}, true);
    emit credit.linkActivated(page);
    QCOMPARE(catcher.opened.size(), 1);
}

void TestPhotoViews::creditTextStaysPlain()
{
    PhotoCreditLabel credit(Species::custom());
    const PhotoCredit markup{QStringLiteral("<b>Ann</b> & co"), QStringLiteral("CC0"),
                             QStringLiteral("https://commons.wikimedia.org/wiki/File:A.jpg")};
    credit.setCredit(markup, true);
    QVERIFY(credit.text().contains(QStringLiteral("&lt;b&gt;Ann&lt;/b&gt; &amp; co")));
    credit.setCredit(PhotoCredit{markup.author, markup.license, QString()}, true);
    QCOMPARE(credit.textFormat(), Qt::PlainText);
    QVERIFY(credit.text().startsWith(QStringLiteral("Photo: <b>Ann</b> & co")));
}

void TestPhotoViews::undecodablePhotoKeepsPlaceholder()
{
    PlantPhotoView view(QByteArray("definitely not a photo"), Species::custom(), 0.5);
    QSignalSpy decoded(&view, &PlantPhotoView::photoDecoded);
    view.resize(44, 44);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(decoded.count(), 1);
    QVERIFY(!view.isShowingPhoto());
    QCOMPARE(view.backdrop(), PlantPhotoView::Backdrop::placeholder);
    // The placeholder is painted: the leaf's white reaches the centre.
    const QImage picture = view.grab().toImage();
    const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    QVERIFY2(centre.lightness() > 200, qPrintable(centre.name()));
}

void TestPhotoViews::photoDecodesToFrameSize()
{
    const QByteArray photo = encode(quadrants(1600, 1200), "jpeg");
    PlantPhotoView view(photo, Species::custom(), 0.3);
    QSignalSpy decoded(&view, &PlantPhotoView::photoDecoded);
    view.resize(48, 48);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(decoded.count(), 1);
    QVERIFY(view.isShowingPhoto());
    const int small = view.decodedMaxPixel();
    QCOMPARE(small, PhotoViewGeometry::decodeMaxPixel(QSize(1600, 1200),
                                                      QSize(48, 48) * view.devicePixelRatioF(), 1200));
    QVERIFY(small < 1200);

    // A larger frame gets a sharper decode of the same photo.
    view.resize(600, 450);
    QTRY_COMPARE(decoded.count(), 2);
    QVERIFY(view.decodedMaxPixel() > small);
    QVERIFY(view.isShowingPhoto());
}

void TestPhotoViews::laterPhotoWins()
{
    QImage red(400, 300, QImage::Format_RGB32);
    red.fill(QColor(220, 30, 30));
    QImage blue(400, 300, QImage::Format_RGB32);
    blue.fill(QColor(30, 60, 220));

    PlantPhotoView view(std::nullopt, Species::custom(), 0.3);
    QSignalSpy decoded(&view, &PlantPhotoView::photoDecoded);
    view.resize(80, 60);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setPhoto(encode(red, "jpeg"));
    view.setPhoto(encode(blue, "jpeg")); // before the red one is decoded
    QTRY_VERIFY(view.isShowingPhoto());
    QTRY_VERIFY(colorNear(view.grab().toImage().pixelColor(40, 30), QColor(30, 60, 220)));
    QTest::qWait(100);
    QCOMPARE(decoded.count(), 1); // the red decode was dropped, not applied
    QVERIFY(colorNear(view.grab().toImage().pixelColor(40, 30), QColor(30, 60, 220)));

    // Removing the photo returns to the placeholder.
    view.setPhoto(std::nullopt);
    QVERIFY(!view.isShowingPhoto());
    QTRY_VERIFY(view.grab().toImage().pixelColor(40, 30).lightness() > 200);
}

void TestPhotoViews::thumbnailFollowsPlant()
{
    Plant plant(QStringLiteral("Fern"), Species::find(u"fern"), QStringLiteral("Bathroom"));
    PlantThumbnail thumbnail(&plant, 48);
    QSignalSpy decoded(&thumbnail, &PlantPhotoView::photoDecoded);
    QCOMPARE(thumbnail.size(), QSize(48, 48));
    QVERIFY(qAbs(thumbnail.cornerRadius() - 13.44) < 1e-9);
    QCOMPARE(thumbnail.symbolScale(), 0.45);
    QCOMPARE(thumbnail.species().id, QStringLiteral("fern"));
    thumbnail.show();
    QVERIFY(QTest::qWaitForWindowExposed(&thumbnail));
    QVERIFY(!thumbnail.isShowingPhoto());

    plant.setPhoto(encode(quadrants(640, 480), "jpeg"));
    QTRY_COMPARE(decoded.count(), 1);
    QVERIFY(thumbnail.isShowingPhoto());

    plant.setSpeciesID(QStringLiteral("pothos"));
    QCOMPARE(thumbnail.species().id, QStringLiteral("pothos"));
    QVERIFY(thumbnail.isShowingPhoto()); // same photo: not decoded again
    QCOMPARE(decoded.count(), 1);

    plant.setPhoto(std::nullopt);
    QVERIFY(!thumbnail.isShowingPhoto());
}

// A long list holds a thumbnail per row: one scrolled out of view neither decodes its photo nor
// holds its bytes until it is scrolled into view.
void TestPhotoViews::thumbnailDecodesOnlyOnScreen()
{
    Plant plant(QStringLiteral("Fern"), Species::custom(), QStringLiteral("Bathroom"));
    plant.setPhoto(encode(quadrants(640, 480), "jpeg"));
    QScrollArea area;
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->addSpacing(600);
    auto *thumbnail = new PlantThumbnail(&plant, 48);
    layout->addWidget(thumbnail);
    area.setWidget(column);
    area.resize(200, 150);
    QSignalSpy decoded(thumbnail, &PlantPhotoView::photoDecoded);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QCoreApplication::processEvents();
    QVERIFY(thumbnail->hasPhoto());
    QVERIFY(!thumbnail->isDecoding());
    QCOMPARE(decoded.count(), 0);

    area.ensureWidgetVisible(thumbnail);
    QTRY_COMPARE(decoded.count(), 1);
    QVERIFY(thumbnail->isShowingPhoto());
    QCOMPARE(thumbnail->photo(), plant.photo());
}

void TestPhotoViews::speciesImageIsBackdrop()
{
    // A resource bundle with one catalog photograph, built by Qt's own resource compiler.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Species")));
    QVERIFY(quadrants(300, 200).save(dir.filePath(QStringLiteral("Species/monstera.jpg")), "JPEG"));
    QFile qrc(dir.filePath(QStringLiteral("test.qrc")));
    QVERIFY(qrc.open(QIODevice::WriteOnly));
    qrc.write("<RCC><qresource prefix=\"/\"><file>Species/monstera.jpg</file></qresource></RCC>");
    qrc.close();
    const QString rcc = QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc");
    const QString bundle = dir.filePath(QStringLiteral("test.rcc"));
    QCOMPARE(
        QProcess::execute(rcc, {QStringLiteral("--binary"), qrc.fileName(), QStringLiteral("-o"), bundle}),
        0);
    QVERIFY(QResource::registerResource(bundle));

    const Species &monstera = Species::find(u"monstera");
    QVERIFY(monstera.hasImage());
    PlantPhotoView view(std::nullopt, monstera, 0.42);
    QCOMPARE(view.backdrop(), PlantPhotoView::Backdrop::speciesImage);
    view.setSpecies(Species::custom());
    QCOMPARE(view.backdrop(), PlantPhotoView::Backdrop::placeholder);

    QVERIFY(QResource::unregisterResource(bundle));
    QVERIFY(!monstera.hasImage());
    // Without its photograph the species shows its drawing again.
    view.setSpecies(monstera);
    QCOMPARE(view.backdrop(), PlantPhotoView::Backdrop::illustration);
}

void TestPhotoViews::illustrationRectFallsOnPixels_data()
{
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("row 36 at 1x") << QRectF(0, 0, 36, 36) << 1.0;
    QTest::newRow("card 250x130 at 1x") << QRectF(0, 0, 250, 130) << 1.0;
    QTest::newRow("header 611x220 at 2x") << QRectF(0, 0, 611, 220) << 2.0;
    QTest::newRow("odd offset at 1.5x") << QRectF(3.5, 7, 47, 91) << 1.5;
}

void TestPhotoViews::illustrationRectFallsOnPixels()
{
    QFETCH(QRectF, frame);
    QFETCH(qreal, dpr);
    const QRectF square = PhotoViewGeometry::illustrationRect(frame, dpr);
    const qreal side = PhotoViewGeometry::style().illustrationScale * std::min(frame.width(), frame.height());
    QCOMPARE(square.width(), square.height());
    QVERIFY(std::abs(square.width() - side) <= 0.5 / dpr);
    QVERIFY(std::abs(square.center().x() - frame.center().x()) <= 0.5 / dpr);
    QVERIFY(std::abs(square.center().y() - frame.center().y()) <= 0.5 / dpr);
    for (qreal edge : {square.left() * dpr, square.top() * dpr, square.width() * dpr})
        QCOMPARE(edge, std::round(edge));
}

namespace {

// Pixels of picture that differ clearly from the bare hue gradient of species: the drawing's (or
// the leaf's) share of the frame.
double shareDrawn(const QImage &picture, const Species &species)
{
    QImage gradient(picture.size(), QImage::Format_ARGB32_Premultiplied);
    gradient.fill(Qt::transparent);
    {
        QPainter painter(&gradient);
        painter.fillRect(gradient.rect(), PlantPhotoView::backdropGradient(species.hue, Qt::LeftToRight));
    }
    const QImage shown = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    qint64 drawn = 0, counted = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb a = shown.pixel(x, y), b = gradient.pixel(x, y);
            if (qAlpha(a) < 255)
                continue; // the rounded corners
            ++counted;
            const int distance =
                std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            drawn += distance > 48;
        }
    }
    return counted ? double(drawn) / double(counted) : 0;
}

} // namespace

void TestPhotoViews::everySpeciesIsDrawn_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("side");
    for (const Species &species : Species::catalog()) {
        for (int side : {48, 320})
            QTest::addRow("%s at %d", qPrintable(species.id), side) << species.id << side;
    }
    QTest::addRow("custom at 48") << Species::custom().id << 48;
}

void TestPhotoViews::everySpeciesIsDrawn()
{
    QFETCH(QString, id);
    QFETCH(int, side);
    const Species &species = Species::find(id);
    const bool custom = species.id == Species::custom().id;
    QCOMPARE(SpeciesIllustration::exists(id), !custom);

    // The drawing alone: a good part of its square is painted.
    const QImage drawing = SpeciesIllustration::render(id, side, 1);
    if (custom) {
        QVERIFY(drawing.isNull());
    } else {
        QCOMPARE(drawing.size(), QSize(side, side));
        qint64 opaque = 0, onEdge = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                opaque += qAlpha(drawing.pixel(x, y)) > 128;
                onEdge +=
                    (x == 0 || y == 0 || x == side - 1 || y == side - 1) && qAlpha(drawing.pixel(x, y)) > 64;
            }
        }
        QVERIFY2(opaque > side * side / 10, qPrintable(QString::number(opaque)));
        // The whole plant fits its square: nothing is cut off at the edges.
        QCOMPARE(onEdge, 0);
    }

    // On screen, in a view and on a plant card: the drawing (or for "Other plant" the white
    // leaf, whose colour reaches the centre) stands out from the gradient.
    PlantPhotoView view(std::nullopt, species, 0.45);
    QCOMPARE(view.backdrop(),
             custom ? PlantPhotoView::Backdrop::placeholder : PlantPhotoView::Backdrop::illustration);
    view.resize(side, side);
    const QImage shown = view.grab().toImage();
    QVERIFY2(shareDrawn(shown, species) > (custom ? 0.04 : 0.08),
             qPrintable(QString::number(shareDrawn(shown, species))));
    const QColor centre = shown.pixelColor(side / 2, side / 2);
    QCOMPARE(centre.lightness() > 200, custom);

    PlantPictureCache pictures;
    const QImage card = pictures.backdrop(species, {QSizeF(side, side), 1, 0}, 0.45);
    QVERIFY2(shareDrawn(card, species) > (custom ? 0.04 : 0.08),
             qPrintable(QString::number(shareDrawn(card, species))));
}

void TestPhotoViews::drawingsAreDistinct()
{
    QSet<QByteArray> seen;
    for (const Species &species : Species::catalog()) {
        const QImage drawing = SpeciesIllustration::render(species.id, 48, 1);
        const QByteArray bytes(reinterpret_cast<const char *>(drawing.constBits()), drawing.sizeInBytes());
        QVERIFY2(!seen.contains(bytes), qPrintable(species.id));
        seen.insert(bytes);
    }
}

void TestPhotoViews::drawingRenderedOncePerSize()
{
    const int before = SpeciesIllustration::renderCount();
    PlantPhotoView first(std::nullopt, Species::find(u"pilea"), 0.45);
    first.resize(131, 131);
    first.show();
    QVERIFY(QTest::qWaitForWindowExposed(&first));
    first.grab();
    first.repaint();
    first.grab();
    QCOMPARE(SpeciesIllustration::renderCount(), before + 1);
    // Another view of the same species and size shares the rendering; a new size renders anew.
    PlantPhotoView second(std::nullopt, Species::find(u"pilea"), 0.3);
    second.resize(131, 131);
    second.grab();
    QCOMPARE(SpeciesIllustration::renderCount(), before + 1);
    second.resize(151, 151);
    second.grab();
    QCOMPARE(SpeciesIllustration::renderCount(), before + 2);
}

void TestPhotoViews::pictureIsDecorative()
{
    // The leaf and the drawings alike: every picture has its plant's or species' name beside it.
    for (const Species *species : {&Species::custom(), &Species::find(u"monstera")}) {
        PlantPhotoView view(std::nullopt, *species, 0.5);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(accessible);
        QVERIFY(accessible->state().invisible);
        QVERIFY(accessible->text(QAccessible::Name).isEmpty());
    }
}

// Pictures for people to look at: TENDREL_SCREENSHOT_DIR=/some/dir tst_photoviews renderSamples
void TestPhotoViews::renderSamples()
{
    const QString out = qEnvironmentVariable("TENDREL_SCREENSHOT_DIR");
    if (out.isEmpty())
        QSKIP("set TENDREL_SCREENSHOT_DIR to render sample pictures");

    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(242, 242, 247));
    window.setPalette(palette);
    auto *column = new QVBoxLayout(&window);
    QList<PlantPhotoView *> views;
    const auto row = [&] {
        auto *line = new QHBoxLayout;
        line->setSpacing(12);
        column->addLayout(line);
        return line;
    };
    const auto add = [&](QBoxLayout *line, PlantPhotoView *view, QSize size, qreal radius, unsigned corners) {
        view->setFixedSize(size);
        view->setCornerRadius(radius, corners);
        line->addWidget(view);
        views.append(view);
    };

    QHBoxLayout *rows = row();
    for (const char *id : {"custom", "pothos", "snake", "monstera", "peacelily", "calathea"})
        add(rows, new PlantPhotoView(std::nullopt, Species::find(QString::fromLatin1(id)), 0.5),
            QSize(44, 44), 12, Shapes::allCorners);
    rows->addStretch();

    const QByteArray photo = encode(naturalPicture(1600, 1200), "jpeg", 80);
    QHBoxLayout *thumbs = row();
    Plant withPhoto(QStringLiteral("Monty"), Species::find(u"monstera"), QStringLiteral("Den"), photo);
    Plant withoutPhoto(QStringLiteral("Ivy"), Species::find(u"pothos"), QStringLiteral("Den"));
    Plant broken(QStringLiteral("Broken"), Species::find(u"fern"), QStringLiteral("Den"), QByteArray("junk"));
    for (Plant *plant : {&withPhoto, &withoutPhoto, &broken}) {
        auto *thumbnail = new PlantThumbnail(plant, 48);
        thumbs->addWidget(thumbnail);
        views.append(thumbnail);
    }
    add(thumbs, new PlantPhotoView(photo, Species::find(u"monstera"), 0.45), QSize(84, 84), 22,
        Shapes::allCorners);
    add(thumbs, new PlantPhotoView(std::nullopt, Species::find(u"zz"), 0.45), QSize(84, 84), 22,
        Shapes::allCorners);
    thumbs->addStretch();

    QHBoxLayout *cards = row();
    add(cards, new PlantPhotoView(std::nullopt, Species::find(u"fiddle"), 0.42), QSize(260, 130), 22,
        Shapes::topCorners);
    add(cards, new PlantPhotoView(photo, Species::find(u"fiddle"), 0.42), QSize(260, 130), 22,
        Shapes::topCorners);
    cards->addStretch();

    QHBoxLayout *details = row();
    add(details, new PlantPhotoView(std::nullopt, Species::find(u"hoya"), 0.3), QSize(540, 300), 28,
        Shapes::allCorners);
    details->addStretch();

    auto *credit = new PhotoCreditLabel(Species::custom());
    column->addWidget(credit);
    credit->setCredit(PhotoCredit{QStringLiteral("Ann Example"), QStringLiteral("CC BY-SA 4.0"),
                                  QStringLiteral("https://commons.wikimedia.org/wiki/File:Example.jpg")},
                      true);
    auto *plain = new PhotoCreditLabel(Species::custom());
    column->addWidget(plain);
    plain->setCredit(PhotoCredit{QStringLiteral("Someone"), QStringLiteral("CC0"), QString()}, true);

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (PlantPhotoView *view : views)
        QTRY_VERIFY(!view->isDecoding() &&
                    (!view->photo() || view->photo()->startsWith("junk") || view->isShowingPhoto()));
    QTest::qWait(2 * PhotoViewGeometry::style().fadeMilliseconds);
    const QString file =
        QDir(out).filePath(QStringLiteral("photoviews@%1x.png").arg(window.devicePixelRatioF()));
    QVERIFY(window.grab().save(file));
    qInfo("wrote %s", qPrintable(file));
}

QTEST_MAIN(TestPhotoViews)
#include "tst_photoviews.moc"
