#include "Services/PhotoProcessor.h"

#include "fixtures/HostileFixtures.h"
#include "fixtures/ImageFixtures.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <ctime>

using namespace ImageFixtures;

namespace {

// The stored pixels that a file with this EXIF orientation must hold so that a viewer applying
// the tag shows upright.
QImage storedFor(const QImage &upright, int orientation)
{
    switch (orientation) {
    case 2:
        return upright.mirrored(true, false);
    case 3:
        return upright.transformed(QTransform().rotate(180));
    case 4:
        return upright.mirrored(false, true);
    case 5:
        return upright.transformed(QTransform(0, 1, 1, 0, 0, 0)); // transpose
    case 6:
        return upright.transformed(QTransform().rotate(-90));
    case 7:
        return upright.transformed(QTransform(0, -1, -1, 0, 0, 0)); // transverse
    case 8:
        return upright.transformed(QTransform().rotate(90));
    default:
        return upright;
    }
}

QImage decoded(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(false); // what is stored, ignoring any tag
    return reader.read();
}

QColor sample(const QImage &image, double fx, double fy)
{
    return image.pixelColor(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

void verifyUprightQuadrants(const QImage &image)
{
    QVERIFY2(colorNear(sample(image, 0.1, 0.1), topLeft), "top left");
    QVERIFY2(colorNear(sample(image, 0.9, 0.1), topRight), "top right");
    QVERIFY2(colorNear(sample(image, 0.1, 0.9), bottomLeft), "bottom left");
    QVERIFY2(colorNear(sample(image, 0.9, 0.9), bottomRight), "bottom right");
}

// Only what a bare JFIF baseline file needs: no EXIF, XMP, colour profile or comment.
void verifyNoMetadata(const QByteArray &jpeg)
{
    const QList<int> markers = jpegMarkers(jpeg);
    QVERIFY(!markers.isEmpty());
    QCOMPARE(markers.last(), 0xDA);
    for (const int marker : markers) {
        const bool allowed = marker == 0xE0 || marker == 0xDB || marker == 0xC0 || marker == 0xC4 ||
                             marker == 0xDD || marker == 0xDA;
        QVERIFY2(allowed, qPrintable(QStringLiteral("unexpected marker FF%1").arg(marker, 2, 16)));
    }
}

} // namespace

class TestPhotoProcessor final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void orientationIsApplied_data();
    void orientationIsApplied();
    void metadataIsDropped();
    void outputSize_data();
    void outputSize();
    void formatsAreAccepted_data();
    void formatsAreAccepted();
    void badInputGivesNone_data();
    void badInputGivesNone();
    void hugeBaselineJpegDecodesScaled();
    void hostileFilesStayCheap_data();
    void hostileFilesStayCheap();
    void importFinishesOnCallersThread();

private:
    QByteArray taggedJpeg(const QImage &stored, const QStringList &exiftoolArguments);

    QTemporaryDir m_dir;
    QString m_exiftool;
};

void TestPhotoProcessor::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    QVERIFY2(!m_exiftool.isEmpty(), "exiftool is needed (scripts/bootstrap installs it)");
}

QByteArray TestPhotoProcessor::taggedJpeg(const QImage &stored, const QStringList &exiftoolArguments)
{
    const QString path = m_dir.filePath(QStringLiteral("tagged.jpg"));
    QFile::remove(path);
    if (!stored.save(path, "JPEG", 95))
        return {};
    QProcess exiftool;
    exiftool.start(m_exiftool, QStringList{QStringLiteral("-q"), QStringLiteral("-overwrite_original")} +
                                   exiftoolArguments + QStringList{path});
    if (!exiftool.waitForFinished(30000) || exiftool.exitCode() != 0)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void TestPhotoProcessor::orientationIsApplied_data()
{
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("orientation %d", orientation) << orientation;
}

void TestPhotoProcessor::orientationIsApplied()
{
    QFETCH(int, orientation);
    const QImage upright = quadrants(400, 240);
    const QByteArray source =
        taggedJpeg(storedFor(upright, orientation), {QStringLiteral("-Orientation#=%1").arg(orientation)});
    QVERIFY(!source.isEmpty());
    const bool turned = orientation >= 5;
    QCOMPARE(PhotoProcessor::imageSize(source), turned ? QSize(240, 400).transposed() : QSize(400, 240));

    const std::optional<QByteArray> jpeg = PhotoProcessor::downscaledJPEGSync(source, 200);
    QVERIFY(jpeg.has_value());
    verifyNoMetadata(*jpeg);
    const QImage result = decoded(*jpeg);
    QCOMPARE(result.size(), QSize(200, 120));
    verifyUprightQuadrants(result);

    const std::optional<QImage> thumbnail = PhotoProcessor::thumbnail(source, 1200);
    QVERIFY(thumbnail.has_value());
    QCOMPARE(thumbnail->size(), QSize(400, 240));
    verifyUprightQuadrants(*thumbnail);
}

void TestPhotoProcessor::metadataIsDropped()
{
    QImage image = quadrants(300, 200);
    image.setText(QStringLiteral("Description"), QStringLiteral("kitchen-secret"));
    image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    const QByteArray source =
        taggedJpeg(image, {QStringLiteral("-Make=PhoneMaker"), QStringLiteral("-GPSLatitude=48.8584"),
                           QStringLiteral("-GPSLatitudeRef=N"), QStringLiteral("-XMP-dc:Creator=Someone"),
                           QStringLiteral("-Orientation#=1")});
    QVERIFY(!source.isEmpty());
    QVERIFY(source.contains("PhoneMaker"));
    QVERIFY(source.contains("ICC_PROFILE"));

    const std::optional<QByteArray> jpeg = PhotoProcessor::downscaledJPEGSync(source, 1600);
    QVERIFY(jpeg.has_value());
    verifyNoMetadata(*jpeg);
    for (const char *leak : {"PhoneMaker", "kitchen-secret", "Someone", "ICC_PROFILE", "Exif"})
        QVERIFY2(!jpeg->contains(leak), leak);
    QCOMPARE(decoded(*jpeg).size(), QSize(300, 200));
}

void TestPhotoProcessor::outputSize_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("source");
    QTest::addColumn<int>("maxPixel");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("12 MP landscape") << QByteArray("jpeg") << QSize(4000, 3000) << 1600 << QSize(1600, 1200);
    QTest::newRow("12 MP portrait") << QByteArray("jpeg") << QSize(3000, 4000) << 1600 << QSize(1200, 1600);
    QTest::newRow("12 MP PNG, decoded whole")
        << QByteArray("png") << QSize(4000, 3000) << 1600 << QSize(1600, 1200);
    QTest::newRow("exactly the limit") << QByteArray("jpeg") << QSize(1600, 900) << 1600 << QSize(1600, 900);
    QTest::newRow("small: not enlarged") << QByteArray("jpeg") << QSize(800, 600) << 1600 << QSize(800, 600);
    QTest::newRow("one pixel") << QByteArray("png") << QSize(1, 1) << 1600 << QSize(1, 1);
    QTest::newRow("thin strip keeps a row") << QByteArray("jpeg") << QSize(5000, 2) << 1600 << QSize(1600, 1);
    QTest::newRow("display size") << QByteArray("jpeg") << QSize(1600, 1200) << 1200 << QSize(1200, 900);
}

void TestPhotoProcessor::outputSize()
{
    QFETCH(QByteArray, format);
    QFETCH(QSize, source);
    QFETCH(int, maxPixel);
    QFETCH(QSize, expected);

    const QByteArray bytes = encode(quadrants(source.width(), source.height()), format.constData());
    QVERIFY(!bytes.isEmpty());
    const std::optional<QByteArray> jpeg = PhotoProcessor::downscaledJPEGSync(bytes, maxPixel);
    QVERIFY(jpeg.has_value());
    const QImage result = decoded(*jpeg);
    QCOMPARE(result.size(), expected);
    if (expected.width() >= 8 && expected.height() >= 8)
        verifyUprightQuadrants(result);
}

void TestPhotoProcessor::formatsAreAccepted_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("expected");
    QTest::addColumn<QColor>("centre"); // invalid: check the quadrants instead

    const QImage picture = quadrants(320, 200);
    for (const char *format : {"jpeg", "png", "webp", "tiff", "bmp"})
        QTest::newRow(format) << encode(picture, format) << QSize(160, 100) << QColor();
    QTest::newRow("gif") << gif(320, 200, {topLeft}) << QSize(160, 100) << topLeft;
    QTest::newRow("animated gif: first frame")
        << gif(80, 40, {topRight, bottomLeft}) << QSize(80, 40) << topRight;

    QImage transparent(200, 100, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    QTest::newRow("transparent png: white")
        << encode(transparent, "png") << QSize(160, 80) << QColor(Qt::white);
}

void TestPhotoProcessor::formatsAreAccepted()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, expected);
    QFETCH(QColor, centre);
    QVERIFY(!bytes.isEmpty());

    const std::optional<QByteArray> jpeg = PhotoProcessor::downscaledJPEGSync(bytes, 160);
    QVERIFY(jpeg.has_value());
    const QImage result = decoded(*jpeg);
    QCOMPARE(result.size(), expected);
    if (centre.isValid())
        QVERIFY(colorNear(sample(result, 0.5, 0.5), centre));
    else
        verifyUprightQuadrants(result);
}

void TestPhotoProcessor::badInputGivesNone_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxPixel");

    const QByteArray jpeg = encode(naturalPicture(640, 480), "jpeg");
    const QByteArray png = encode(naturalPicture(640, 480), "png");

    QTest::newRow("zero bytes") << QByteArray() << 1600;
    QTest::newRow("text") << QByteArray("<html><body>not a photo</body></html>") << 1600;
    QTest::newRow("random bytes") << QByteArray(4096, '\x5A') << 1600;
    QTest::newRow("only a JPEG signature") << QByteArray("\xFF\xD8\xFF", 3) << 1600;
    QTest::newRow("truncated JPEG") << jpeg.left(jpeg.size() / 2) << 1600;
    QTest::newRow("truncated PNG") << png.left(png.size() / 2) << 1600;
    QTest::newRow("zero max pixel") << jpeg << 0;
    // 30,000 x 30,000 would need 3.6 GB as pixels (or as coefficients, for a progressive JPEG).
    QTest::newRow("huge PNG") << pngHeaderOnly(30000, 30000) << 1600;
    QTest::newRow("huge progressive JPEG") << flatGreyJpeg(30000, 30000, 0xC2) << 1600;
    QTest::newRow("huge JPEG, headers only") << flatGreyJpeg(30000, 30000, 0xC0, false, false) << 1600;
    QTest::newRow("huge JPEG, cut off") << flatGreyJpeg(30000, 30000, 0xC0, false, true).chopped(2) << 1600;
}

void TestPhotoProcessor::badInputGivesNone()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxPixel);

    QCOMPARE(PhotoProcessor::thumbnail(bytes, maxPixel), std::nullopt);
    QCOMPARE(PhotoProcessor::downscaledJPEG(bytes, maxPixel).result(), std::nullopt);
}

void TestPhotoProcessor::hugeBaselineJpegDecodesScaled()
{
    // A baseline JPEG can be decoded at an eighth of its size row by row, so even 900 megapixels
    // cost a few megabytes.
    const QByteArray bytes = flatGreyJpeg(30000, 30000);
    QCOMPARE(PhotoProcessor::imageSize(bytes), QSize(30000, 30000));
    const std::optional<QImage> image = PhotoProcessor::thumbnail(bytes, 1200);
    QVERIFY(image.has_value());
    QCOMPARE(image->size(), QSize(1200, 1200));
    QVERIFY(colorNear(image->pixelColor(600, 600), QColor(128, 128, 128), 4));
}

void TestPhotoProcessor::hostileFilesStayCheap_data()
{
    QTest::addColumn<QString>("path");
    const QStringList paths = HostileFixtures::files(QStringLiteral("hostile"));
    QVERIFY(!paths.isEmpty());
    for (const QString &path : paths)
        QTest::newRow(qPrintable(QFileInfo(path).fileName())) << path;
}

// CPU time of the calling thread: unlike the wall clock it does not grow when other programs load
// the machine, so the bound below catches a slow decode rather than a busy build.
static qint64 threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

void TestPhotoProcessor::hostileFilesStayCheap()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();

    // A list thumbnail and an import: each gives none or a small picture, quickly and in little memory.
    for (const int maxPixel : {48, PhotoProcessor::importMaxPixel}) {
        const HostileFixtures::PeakMemory peak;
        QVERIFY(peak.isValid());
        const qint64 started = threadCpuMilliseconds();
        const std::optional<QImage> image = PhotoProcessor::thumbnail(bytes, maxPixel);
        const std::optional<QByteArray> jpeg = PhotoProcessor::downscaledJPEGSync(bytes, maxPixel);
        const qint64 spent = threadCpuMilliseconds() - started;
        QVERIFY2(spent < 1'000, qPrintable(QStringLiteral("%1 ms of CPU").arg(spent)));
        // A decode within the limit is allowed, and only it: the thumbnail beside it is small.
        QVERIFY2(peak.growth() < PhotoProcessor::maxDecodeBytes + 16 * 1024 * 1024,
                 qPrintable(QStringLiteral("%1 bytes").arg(peak.growth())));
        if (image)
            QVERIFY(std::max(image->width(), image->height()) <= maxPixel);
        QCOMPARE(jpeg.has_value(), image.has_value());
    }
}

void TestPhotoProcessor::importFinishesOnCallersThread()
{
    const QByteArray bytes = encode(quadrants(2000, 1000), "jpeg");
    QThread *resultThread = nullptr;
    std::optional<QByteArray> result;
    bool finished = false;
    PhotoProcessor::downscaledJPEG(bytes, 1600).then(this, [&](std::optional<QByteArray> jpeg) {
        resultThread = QThread::currentThread();
        result = std::move(jpeg);
        finished = true;
    });
    QTRY_VERIFY(finished);
    QCOMPARE(resultThread, thread());
    QVERIFY(result.has_value());
    QCOMPARE(decoded(*result).size(), QSize(1600, 800));
}

QTEST_GUILESS_MAIN(TestPhotoProcessor)
#include "tst_photoprocessor.moc"
