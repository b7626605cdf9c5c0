#pragma once

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QSize>

#include <optional>

// The two image operations behind plant photos: decoding any picture the user picks or has
// stored, and turning a picked picture into the stored form (one upright JPEG, longer side at most
// importMaxPixel, no metadata). No state and no instances.
//
// Decoding goes straight to the reduced size where the format allows it (JPEG, SVG). Before any
// pixel is decoded, the memory the decoder will really take is worked out from the headers (the
// whole picture for formats decoded whole, the reduced intermediate of a scaled JPEG, a GIF's
// logical screen) and must stay within maxDecodeBytes; a JPEG scan must also hold enough data for
// the blocks it claims. So a small hostile file ends in none, quickly, instead of in hundreds of
// megabytes of pixels or seconds of decoding.
class PhotoProcessor final
{
public:
    PhotoProcessor() = delete;

    static constexpr int importMaxPixel = 1600;  // stored photos
    static constexpr int displayMaxPixel = 1200; // photos decoded for the screen
    static constexpr int jpegQuality = 80;       // Qt's 0..100 scale; 0.8 on a 0..1 scale
    // The most memory one decode may take for its pixels (32 megapixels at 4 bytes each).
    static constexpr qint64 maxDecodeBytes = qint64(128) * 1024 * 1024;
    // Set process-wide on first use; Qt then refuses any single image buffer larger than this.
    static constexpr int allocationLimitMB = int(maxDecodeBytes / (1024 * 1024));

    // The first image of bytes, orientation tag applied, scaled so that neither side exceeds
    // maxPixel (never enlarged), converted to sRGB. None when bytes are not a complete readable
    // image or would cost too much to decode. Synchronous; safe on any thread.
    static std::optional<QImage> thumbnail(const QByteArray &bytes, int maxPixel);

    // thumbnail() re-encoded as JPEG at jpegQuality with no metadata (no EXIF, comments or colour
    // profile; alpha flattened onto white). Runs on the global thread pool; continue on the UI
    // thread with QFuture::then(context, ...) or a QFutureWatcher.
    static QFuture<std::optional<QByteArray>> downscaledJPEG(const QByteArray &bytes, int maxPixel);
    // The same work on the calling thread.
    static std::optional<QByteArray> downscaledJPEGSync(const QByteArray &bytes, int maxPixel);
    static std::optional<QByteArray> encodeJPEG(const QImage &image);

    // The pixel size thumbnail() would see before scaling, orientation applied, from the header
    // alone; none when bytes are not an image.
    static std::optional<QSize> imageSize(const QByteArray &bytes);
};
