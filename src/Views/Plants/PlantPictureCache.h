#pragma once

// PlantPictureCache: the pictures of the plant cards, made at the size a card draws them with
// its corners already rounded, so painting a card is a plain copy. The user's photos (and catalog
// photographs) are decoded off the UI thread, newest request first, and kept in a cache bounded
// by memory; the backdrops (gradient and species drawing, or leaf) are drawn once per species and
// size.
//
//   PlantPictureCache pictures;
//   pictures.setWanted([grid](RecordId plant) { return grid->isNearView(plant); });
//   const PlantPictureCache::Frame frame{card->photoRect().size(), card->devicePixelRatioF(), 22};
//   QImage photo = pictures.photo(plant, frame);   // null until decoded: draw the backdrop
//   QImage backdrop = pictures.backdrop(species, frame, 0.38);
//   connect(&pictures, &PlantPictureCache::photoReady, grid, [](RecordId plant) { ...update its card... });
//
// A queued decode whose card has scrolled far away is dropped before it starts (it is asked for
// again if the card comes back). A photo that does not decode is remembered as such until the
// plant's photo changes, so it is not tried on every paint.

#include "Models/RecordId.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSizeF>
#include <QThreadPool>

#include <atomic>
#include <functional>

class Plant;
struct Species;

class PlantPictureCache final : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 defaultMaxBytes = qint64(48) * 1024 * 1024;

    // A card's picture: its size in points, the screen's pixel ratio and the corner radius.
    struct Frame
    {
        QSizeF size;
        qreal devicePixelRatio = 1;
        qreal radius = 0;
        QSize pixels() const;
        friend bool operator==(const Frame &, const Frame &) = default;
    };

    explicit PlantPictureCache(qint64 maxBytes = defaultMaxBytes, QObject *parent = nullptr);
    ~PlantPictureCache() override;

    // The plant's photo for frame. When it is not ready, a decode is queued and the result is the
    // same photo made for another frame if one is cached (to draw scaled meanwhile), else null.
    // Null too when the plant has no photo or its bytes do not decode.
    QImage photo(Plant *plant, const Frame &frame);
    // Whether photo() for this frame would return the finished picture.
    bool hasPhoto(const Plant *plant, const Frame &frame) const;
    // The species' picture for frame: its photograph once decoded, before that (and for species
    // without one) the hue gradient with the species' drawing, or the white leaf at symbolScale
    // for a species without a drawing.
    QImage backdrop(const Species &species, const Frame &frame, qreal symbolScale);

    // Decodes queued for plants this returns false for are dropped when their turn comes.
    void setWanted(std::function<bool(RecordId)> wanted);

    // Makes one picture: bytes decoded just large enough, cropped to fill frame, corners rounded.
    // Null when bytes are not an image. Safe on any thread.
    static QImage renderPhoto(const QByteArray &bytes, const Frame &frame);
    static QImage rounded(const QImage &source, const Frame &frame);

    // For tests and benchmarks.
    qint64 cachedBytes() const { return m_photos.totalCost(); }
    qint64 maxBytes() const { return m_photos.maxCost(); }
    int decodesStarted() const { return m_decodesStarted; }
    int decodesOnUiThread() const { return m_uiThreadDecodes.load(); }
    int queuedCount() const { return int(m_queue.size()); }
    bool isIdle() const { return m_queue.isEmpty() && m_running == 0; }

signals:
    void photoReady(RecordId plant);
    void backdropReady(const QString &speciesId);

private:
    struct Job
    {
        QString key;
        RecordId plant = 0; // 0 for a species photograph
        QPointer<Plant> source;
        QString speciesPath;
        QString speciesId;
        Frame frame;
    };

    static QString photoKey(RecordId plant, quint64 revision, const Frame &frame);
    static QString backdropKey(const QString &speciesId, const Frame &frame);
    void enqueue(Job job);
    void pump();
    void finished(const Job &job, const QImage &image);

    QCache<QString, QImage> m_photos; // cost: bytes
    QCache<QString, QImage> m_backdrops;
    QSet<QString> m_undecodable;
    // The key last cached for each plant, to draw something while another size decodes.
    QHash<RecordId, QString> m_latestKey;
    QList<Job> m_queue; // newest first
    QSet<QString> m_queuedOrRunning;
    std::function<bool(RecordId)> m_wanted;
    QThreadPool m_pool;
    int m_running = 0;
    int m_decodesStarted = 0;
    std::atomic<int> m_uiThreadDecodes = 0;
};
