#include "Services/PhotoProcessor.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <cstring>

Q_LOGGING_CATEGORY(lcPhotos, "tendrel.photos", QtWarningMsg)

namespace {

// What the JPEG markers say before any pixel is decoded.
struct JpegLayout
{
    // One scan holding every component: libjpeg can then decode at 1/2, 1/4 or 1/8 size row by
    // row. Progressive and multi-scan files keep every coefficient of the full image in memory.
    bool singleScan = false;
    // An end-of-image marker follows the first scan. Without it the file was cut short, and
    // libjpeg would fill the missing part with grey instead of failing.
    bool complete = false;
    // The scans hold at least the fewest bits their blocks can be coded in (two a block in a
    // sequential file: a DC difference and an end of block; one in a progressive file, whose end
    // of band runs cover many blocks at once). A file that claims more blocks than its data can
    // hold is cut short as surely, and libjpeg would spend its time decoding blocks that are not
    // there.
    bool enoughData = false;
    // What libjpeg keeps of a file that is not a single scan: every coefficient of every block.
    qint64 coefficientBytes = 0;
};

// Blocks of 8 x 8 samples in one component of a frame of width x height whose largest sampling
// factors are maxH, maxV, in the interleaved layout libjpeg decodes.
qint64 componentBlocks(qint64 width, qint64 height, int h, int v, int maxH, int maxV)
{
    const qint64 mcuColumns = (width + 8 * maxH - 1) / (8 * maxH);
    const qint64 mcuRows = (height + 8 * maxV - 1) / (8 * maxV);
    return mcuColumns * h * mcuRows * v;
}

bool isStartOfFrame(uchar marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isProgressiveFrame(uchar marker)
{
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

JpegLayout inspectJpeg(const QByteArray &bytes)
{
    JpegLayout layout;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return layout;

    int frameComponents = 0;
    bool progressive = false;
    qint64 blocks = 0;
    qsizetype i = 2;
    while (i < size) {
        // Like libjpeg, skip stray bytes and fill bytes up to the next marker.
        while (i < size && data[i] != 0xFF)
            ++i;
        while (i < size && data[i] == 0xFF)
            ++i;
        if (i >= size)
            return layout;
        const uchar marker = data[i++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length
        if (marker == 0xD9)
            return layout; // end of image before any scan
        if (i + 2 > size)
            return layout;
        const qsizetype length = (qsizetype(data[i]) << 8) | data[i + 1];
        if (length < 2 || i + length > size)
            return layout;
        const uchar *segment = data + i + 2;
        if (isStartOfFrame(marker) && length >= 8) {
            progressive = isProgressiveFrame(marker);
            frameComponents = segment[5];
            const qint64 height = (qint64(segment[1]) << 8) | segment[2];
            const qint64 width = (qint64(segment[3]) << 8) | segment[4];
            if (length < 8 + 3 * frameComponents)
                return layout;
            int maxH = 1;
            int maxV = 1;
            for (int c = 0; c < frameComponents; ++c) {
                maxH = std::max(maxH, segment[7 + 3 * c] >> 4);
                maxV = std::max(maxV, segment[7 + 3 * c] & 0x0F);
            }
            blocks = 0;
            for (int c = 0; c < frameComponents; ++c) {
                const int h = std::max(1, segment[7 + 3 * c] >> 4);
                const int v = std::max(1, segment[7 + 3 * c] & 0x0F);
                blocks += componentBlocks(width, height, h, v, maxH, maxV);
            }
        } else if (marker == 0xDA && length >= 3) {
            const int scanComponents = segment[0];
            layout.singleScan = !progressive && frameComponents > 0 && scanComponents >= frameComponents;
            // Inside entropy-coded data every 0xFF is followed by 0x00 or a restart marker, so the
            // first FF D9 after the scan header is the end of the image.
            static const QByteArray endOfImage("\xFF\xD9", 2);
            const qsizetype end = bytes.indexOf(endOfImage, i + length);
            layout.complete = end >= 0;
            layout.enoughData =
                layout.complete && qint64(end - (i + length)) * 8 >= (progressive ? 1 : 2) * blocks;
            if (!layout.singleScan)
                layout.coefficientBytes = blocks * 64 * qint64(sizeof(short));
            return layout;
        }
        i += length;
    }
    return layout;
}

// Whether every chunk of a PNG holds no more bytes than the file has left. libpng allocates a
// chunk's claimed length before reading it, so a few hundred bytes claiming a 2 GB text chunk would
// take 2 GB of memory; libpng refuses such a file anyway once the data runs out.
bool pngChunksFit(const QByteArray &bytes)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    if (!bytes.startsWith(signature))
        return true;
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = signature.size();
    while (i + 8 <= size) {
        const quint32 length = (quint32(data[i]) << 24) | (quint32(data[i + 1]) << 16) |
                               (quint32(data[i + 2]) << 8) | quint32(data[i + 3]);
        if (qint64(length) + 12 > size - i)
            return false;
        if (std::memcmp(data + i + 4, "IEND", 4) == 0)
            return true;
        i += qsizetype(length) + 12;
    }
    return true;
}

// The logical screen of a GIF, grown to hold its first frame: the decoder paints every frame onto
// an image this large, and takes a frame's size for a side of the screen that is zero.
QSize gifScreen(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 13)
        return {};
    const auto word = [data](qsizetype at) { return int(data[at] | (data[at + 1] << 8)); };
    QSize screen(word(6), word(8));
    qsizetype i = 13;
    if (data[10] & 0x80)
        i += 3 * (2 << (data[10] & 0x07)); // the global colour table
    while (i < size) {
        if (data[i] == 0x2C) { // an image descriptor
            if (i + 9 > size)
                break;
            return screen.expandedTo(QSize(word(i + 1) + word(i + 5), word(i + 3) + word(i + 7)));
        }
        if (data[i] != 0x21 || i + 2 >= size)
            break;
        i += 2; // an extension: its label, then sub-blocks up to an empty one
        while (i < size && data[i] != 0)
            i += data[i] + 1;
        ++i;
    }
    return screen;
}

// The memory a decode of stored at the pixel layout the reader reports takes, in bytes.
qint64 pixelBytes(QSize size, QImage::Format format)
{
    const int bits = format == QImage::Format_Invalid
                         ? 32
                         : std::max(32, int(QImage::toPixelFormat(format).bitsPerPixel()));
    return qint64(size.width()) * size.height() * (bits / 8);
}

void applyAllocationLimit()
{
    // Static initialisation runs once, even when the first calls race on worker threads.
    static const bool applied = [] {
        QImageReader::setAllocationLimit(PhotoProcessor::allocationLimitMB);
        return true;
    }();
    Q_UNUSED(applied);
}

QSize fittedSize(QSize size, int maxPixel)
{
    const int longer = std::max(size.width(), size.height());
    if (longer <= maxPixel)
        return size;
    const double scale = double(maxPixel) / longer;
    const auto side = [&](int length) {
        return length == longer ? maxPixel : std::max(1, int(std::lround(length * scale)));
    };
    return {side(size.width()), side(size.height())};
}

bool isGray(QImage::Format format)
{
    return format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16 ||
           format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

} // namespace

std::optional<QImage> PhotoProcessor::thumbnail(const QByteArray &bytes, int maxPixel)
{
    if (bytes.isEmpty() || maxPixel <= 0)
        return std::nullopt;
    applyAllocationLimit();

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        qCInfo(lcPhotos) << "not an image";
        return std::nullopt;
    }
    if (!pngChunksFit(bytes)) {
        qCInfo(lcPhotos) << "a PNG chunk is longer than the file";
        return std::nullopt;
    }

    // Only these decode straight to a smaller size; other handlers that accept a scaled size
    // (PNG, for one) decode the whole image first and scale afterwards.
    bool scalesOnDecode = format == "svg" || format == "svgz";
    qint64 decoderBytes = 0; // beside the pixels
    if (format == "jpeg") {
        const JpegLayout layout = inspectJpeg(bytes);
        if (!layout.complete || !layout.enoughData) {
            qCInfo(lcPhotos) << "incomplete JPEG";
            return std::nullopt;
        }
        scalesOnDecode = layout.singleScan;
        decoderBytes = layout.coefficientBytes;
    }

    // The stored size, before the orientation tag is applied; the target is a square, so the
    // fitted size is the same either way round.
    const QSize stored = reader.size();
    const QSize target = stored.isValid() ? fittedSize(stored, maxPixel) : QSize();
    // What the decoder really allocates: libjpeg reduces by whole eighths at most, so a scaled JPEG
    // passes through an intermediate of up to the target plus an eighth of the stored size; a GIF
    // paints every frame onto its whole logical screen; other formats are decoded whole.
    QSize decoded = stored;
    if (stored.isValid() && scalesOnDecode) {
        decoded = format == "jpeg" ? QSize(target.width() + stored.width() / 8 + 1,
                                           target.height() + stored.height() / 8 + 1)
                                   : target;
    }
    if (format == "gif")
        decoded = decoded.expandedTo(gifScreen(bytes));
    if (decoded.isValid() && pixelBytes(decoded, reader.imageFormat()) + decoderBytes > maxDecodeBytes) {
        qCInfo(lcPhotos) << "refused a decode of" << stored << "in" << format << "through" << decoded;
        return std::nullopt;
    }
    if (scalesOnDecode && stored.isValid() && target != stored)
        reader.setScaledSize(target);

    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        qCInfo(lcPhotos) << "decoding failed:" << reader.errorString();
        return std::nullopt;
    }
    // Formats that decode only whole (or did not report their size) are scaled here.
    if (std::max(image.width(), image.height()) > maxPixel)
        image = image.scaled(maxPixel, maxPixel, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    // Screens and the stored JPEG carry no colour profile, so wide-gamut photos become sRGB.
    const QColorSpace colorSpace = image.colorSpace();
    if (colorSpace.isValid() && colorSpace != QColorSpace(QColorSpace::SRgb) && !isGray(image.format()))
        image.convertToColorSpace(QColorSpace(QColorSpace::SRgb));
    return image;
}

std::optional<QByteArray> PhotoProcessor::encodeJPEG(const QImage &image)
{
    if (image.isNull())
        return std::nullopt;

    QImage pixels = image;
    if (pixels.hasAlphaChannel()) {
        // JPEG has no alpha; without this, transparent areas would come out in whatever colour
        // their pixels happen to hold (usually black).
        QImage flat(pixels.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, pixels);
        painter.end();
        pixels = flat;
    } else if (pixels.format() != QImage::Format_RGB32 && pixels.format() != QImage::Format_RGB888 &&
               pixels.format() != QImage::Format_Grayscale8) {
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
    }

    // A bare view of the pixels: no text keys (written as comments), no colour space (written as
    // an ICC profile), nothing else of the source reaches the file.
    const QImage bare(pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
                      pixels.format());

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(jpegQuality);
    if (!writer.write(bare)) {
        qCWarning(lcPhotos) << "JPEG encoding failed:" << writer.errorString();
        return std::nullopt;
    }
    return jpeg;
}

std::optional<QByteArray> PhotoProcessor::downscaledJPEGSync(const QByteArray &bytes, int maxPixel)
{
    const std::optional<QImage> image = thumbnail(bytes, maxPixel);
    if (!image)
        return std::nullopt;
    return encodeJPEG(*image);
}

QFuture<std::optional<QByteArray>> PhotoProcessor::downscaledJPEG(const QByteArray &bytes, int maxPixel)
{
    return QtConcurrent::run([bytes, maxPixel] { return downscaledJPEGSync(bytes, maxPixel); });
}

std::optional<QSize> PhotoProcessor::imageSize(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !pngChunksFit(bytes))
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        return std::nullopt;
    if (reader.transformation() & QImageIOHandler::TransformationRotate90)
        return stored.transposed();
    return stored;
}
