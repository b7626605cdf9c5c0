#include "Views/Plants/PlantPictureCache.h"

#include "Models/Plant.h"
#include "Models/Species.h"
#include "Services/PhotoProcessor.h"
#include "Views/Components/Painting.h"
#include "Views/Components/PhotoViewGeometry.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/SpeciesIllustration.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

// Requests beyond this many wait no longer: the oldest are for cards long scrolled past.
constexpr int maxQueued = 200;
// Backdrops: one per species and card size, a handful in practice.
constexpr int maxBackdrops = 48;

QString frameKey(const PlantPictureCache::Frame &frame)
{
    const QSize pixels = frame.pixels();
    return QString::number(pixels.width()) + QLatin1Char('x') + QString::number(pixels.height()) +
           QLatin1Char('@') + QString::number(frame.devicePixelRatio) + QLatin1Char('r') +
           QString::number(frame.radius);
}

QString undecodableKey(RecordId plant, quint64 revision)
{
    return QString::number(plant) + QLatin1Char(':') + QString::number(revision);
}

} // namespace

QSize PlantPictureCache::Frame::pixels() const
{
    return {int(std::ceil(size.width() * devicePixelRatio)),
            int(std::ceil(size.height() * devicePixelRatio))};
}

PlantPictureCache::PlantPictureCache(qint64 maxBytes, QObject *parent)
    : QObject(parent), m_photos(maxBytes), m_backdrops(maxBackdrops)
{
    // Leave a core to the UI thread; the decodes queue behind one another instead.
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 2));
}

PlantPictureCache::~PlantPictureCache()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QString PlantPictureCache::photoKey(RecordId plant, quint64 revision, const Frame &frame)
{
    return QStringLiteral("p") + undecodableKey(plant, revision) + QLatin1Char(':') + frameKey(frame);
}

QString PlantPictureCache::backdropKey(const QString &speciesId, const Frame &frame)
{
    return QStringLiteral("s") + speciesId + QLatin1Char(':') + frameKey(frame);
}

QImage PlantPictureCache::photo(Plant *plant, const Frame &frame)
{
    if (!plant || !plant->hasPhoto() || frame.pixels().isEmpty())
        return {};
    const QString key = photoKey(plant->id(), plant->photoRevision(), frame);
    if (const QImage *image = m_photos.object(key))
        return *image;
    if (m_undecodable.contains(undecodableKey(plant->id(), plant->photoRevision())))
        return {};
    enqueue({key, plant->id(), plant, {}, {}, frame});
    // The same photo made for another size (the window is being resized) stands in meanwhile.
    const QString latest = m_latestKey.value(plant->id());
    if (latest.startsWith(QStringLiteral("p") + undecodableKey(plant->id(), plant->photoRevision()) +
                          QLatin1Char(':'))) {
        if (const QImage *image = m_photos.object(latest))
            return *image;
    }
    return {};
}

bool PlantPictureCache::hasPhoto(const Plant *plant, const Frame &frame) const
{
    return plant && plant->hasPhoto() &&
           m_photos.contains(photoKey(plant->id(), plant->photoRevision(), frame));
}

QImage PlantPictureCache::backdrop(const Species &species, const Frame &frame, qreal symbolScale)
{
    const QSize pixels = frame.pixels();
    if (pixels.isEmpty())
        return {};
    const QString key = backdropKey(species.id, frame);
    if (species.hasImage() && !m_undecodable.contains(key)) {
        if (const QImage *image = m_photos.object(key))
            return *image;
        enqueue({key, 0, nullptr, species.imagePath(), species.id, frame});
    }
    const QString drawnKey = key + QLatin1Char('/') + QString::number(symbolScale);
    if (const QImage *image = m_backdrops.object(drawnKey))
        return *image;

    // The species' drawing (cached by size in SpeciesIllustration), or for a species without one
    // the leaf with its soft shadow, the same on every gradient: drawn once a size.
    const QRectF bounds(QPointF(0, 0), frame.size);
    QImage picture;
    QPointF origin;
    if (SpeciesIllustration::exists(species.id)) {
        picture = PlantPhotoView::renderSpeciesPicture(species, bounds, symbolScale, frame.devicePixelRatio,
                                                       &origin);
    } else {
        const QString leafKey =
            QStringLiteral("leaf:") + frameKey(frame) + QLatin1Char('/') + QString::number(symbolScale);
        if (!m_backdrops.contains(leafKey)) {
            auto *leaf = new QImage(pixels, QImage::Format_ARGB32_Premultiplied);
            leaf->setDevicePixelRatio(frame.devicePixelRatio);
            leaf->fill(Qt::transparent);
            QPainter painter(leaf);
            QPointF symbolOrigin;
            const QImage symbol =
                PlantPhotoView::renderPlaceholder(bounds, symbolScale, frame.devicePixelRatio, &symbolOrigin);
            painter.drawImage(symbolOrigin, symbol);
            painter.end();
            m_backdrops.insert(leafKey, leaf);
        }
        picture = *m_backdrops.object(leafKey);
    }

    auto *image = new QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    image->setDevicePixelRatio(frame.devicePixelRatio);
    image->fill(Qt::transparent);
    {
        QPainter painter(image);
        Painting::setHighQuality(painter);
        const QPainterPath clip = Shapes::continuousRoundedRect(bounds, frame.radius);
        painter.fillPath(clip, PlantPhotoView::backdropGradient(species.hue, Qt::LeftToRight));
        painter.setClipPath(clip); // the leaf's shadow fades out well inside the edges
        if (!picture.isNull())
            painter.drawImage(origin, picture);
    }
    const QImage result = *image;
    m_backdrops.insert(drawnKey, image);
    return result;
}

void PlantPictureCache::setWanted(std::function<bool(RecordId)> wanted)
{
    m_wanted = std::move(wanted);
}

void PlantPictureCache::enqueue(Job job)
{
    if (m_queuedOrRunning.contains(job.key))
        return;
    m_queuedOrRunning.insert(job.key);
    m_queue.prepend(std::move(job));
    while (m_queue.size() > maxQueued)
        m_queuedOrRunning.remove(m_queue.takeLast().key);
    // Start at the end of this turn, after every card of the frame has asked: the newest
    // requests are the cards now on screen.
    QMetaObject::invokeMethod(this, &PlantPictureCache::pump, Qt::QueuedConnection);
}

void PlantPictureCache::pump()
{
    QThread *uiThread = thread();
    while (m_running < m_pool.maxThreadCount() && !m_queue.isEmpty()) {
        Job job = m_queue.takeFirst();
        QByteArray bytes;
        if (job.plant) {
            if (!job.source || (m_wanted && !m_wanted(job.plant))) {
                m_queuedOrRunning.remove(job.key);
                continue;
            }
            // Reading the bytes is the store's work and stays on this thread; decoding is not.
            const std::optional<QByteArray> photo = job.source->photo();
            if (!photo) {
                m_queuedOrRunning.remove(job.key);
                continue;
            }
            bytes = *photo;
        }
        ++m_running;
        ++m_decodesStarted;
        m_pool.start([this, job, bytes, uiThread] {
            if (QThread::currentThread() == uiThread)
                ++m_uiThreadDecodes;
            QImage image;
            if (job.plant) {
                image = renderPhoto(bytes, job.frame);
            } else {
                QImageReader reader(job.speciesPath);
                reader.setAutoTransform(true);
                image = rounded(reader.read(), job.frame);
            }
            QMetaObject::invokeMethod(
                this, [this, job, image] { finished(job, image); }, Qt::QueuedConnection);
        });
    }
}

void PlantPictureCache::finished(const Job &job, const QImage &image)
{
    --m_running;
    m_queuedOrRunning.remove(job.key);
    if (image.isNull()) {
        if (job.plant) {
            if (job.source)
                m_undecodable.insert(undecodableKey(job.plant, job.source->photoRevision()));
        } else {
            m_undecodable.insert(job.key);
        }
    } else {
        m_photos.insert(job.key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes()));
        if (job.plant)
            m_latestKey.insert(job.plant, job.key);
    }
    if (job.plant)
        emit photoReady(job.plant);
    else
        emit backdropReady(job.speciesId);
    pump();
}

QImage PlantPictureCache::renderPhoto(const QByteArray &bytes, const Frame &frame)
{
    const QSize pixels = frame.pixels();
    if (pixels.isEmpty())
        return {};
    const int maxPixel = PhotoViewGeometry::decodeMaxPixel(PhotoProcessor::imageSize(bytes), pixels,
                                                           PhotoProcessor::displayMaxPixel);
    const std::optional<QImage> image = PhotoProcessor::thumbnail(bytes, maxPixel);
    return image ? rounded(*image, frame) : QImage();
}

QImage PlantPictureCache::rounded(const QImage &source, const Frame &frame)
{
    const QSize pixels = frame.pixels();
    if (source.isNull() || pixels.isEmpty())
        return {};
    // Shrink smoothly to just cover the frame first: an image brush alone would scale
    // bilinearly and alias a picture many times larger than the frame.
    QImage cover = source;
    cover.setDevicePixelRatio(1);
    const double scale =
        std::max(double(pixels.width()) / source.width(), double(pixels.height()) / source.height());
    if (scale < 1)
        cover = cover.scaled(std::max(1, int(std::ceil(source.width() * scale))),
                             std::max(1, int(std::ceil(source.height() * scale))), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(frame.devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    Painting::drawImageFilled(painter, cover,
                              Shapes::continuousRoundedRect(QRectF(QPointF(0, 0), frame.size), frame.radius));
    return result;
}
