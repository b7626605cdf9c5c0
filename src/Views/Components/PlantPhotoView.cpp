#include "Views/Components/PlantPhotoView.h"

#include "Services/PhotoProcessor.h"
#include "Views/Components/AccessibleItem.h"
#include "Views/Components/Painting.h"
#include "Views/Components/PhotoViewGeometry.h"
#include "Views/Components/SpeciesIllustration.h"
#include "Views/Components/Symbols.h"

#include <QAccessible>
#include <QCache>
#include <QFutureWatcher>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <vector>

struct PlantPhotoView::DecodeResult
{
    quint64 revision = 0;
    std::optional<QImage> image;
    std::optional<QSize> photoSize;
    int maxPixel = 0;
};

namespace {

const QString leafSymbol = QStringLiteral("leaf.fill");

// Pictures are decoration: assistive technology skips them and reads the row or card around.
// One given a name (a plant's own photo on its page) is an image like any other.
class PictureAccessible final : public AccessibleItem
{
public:
    explicit PictureAccessible(QWidget *widget) : AccessibleItem(widget, QAccessible::Graphic) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = AccessibleItem::state();
        if (widget()->accessibleName().isEmpty())
            state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text text) const override
    {
        return widget()->accessibleName().isEmpty() ? QString() : AccessibleItem::text(text);
    }
};

QAccessibleInterface *pictureFactory(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<PlantPhotoView *>(object))
        return new PictureAccessible(view);
    return nullptr;
}

// One box-blur pass over the alpha of a premultiplied black image; three passes each way
// approximate a Gaussian.
void blurAlpha(QImage &image, int radius, bool horizontal)
{
    const int lines = horizontal ? image.height() : image.width();
    const int length = horizontal ? image.width() : image.height();
    const int window = 2 * radius + 1;
    std::vector<int> alpha(static_cast<size_t>(length));
    for (int line = 0; line < lines; ++line) {
        const auto pixel = [&](int i) -> QRgb & {
            return reinterpret_cast<QRgb *>(image.scanLine(horizontal ? line : i))[horizontal ? i : line];
        };
        for (int i = 0; i < length; ++i)
            alpha[size_t(i)] = qAlpha(pixel(i));
        int sum = 0;
        for (int i = 0; i <= std::min(radius, length - 1); ++i)
            sum += alpha[size_t(i)];
        for (int i = 0; i < length; ++i) {
            pixel(i) = qRgba(0, 0, 0, sum / window);
            const int in = i + radius + 1, out = i - radius;
            sum += (in < length ? alpha[size_t(in)] : 0) - (out >= 0 ? alpha[size_t(out)] : 0);
        }
    }
}

// Catalog photographs are shared by every card and row of their species.
const QImage *speciesImage(const QString &path)
{
    static QCache<QString, QImage> cache(48 * 1024); // cost in KB
    if (QImage *cached = cache.object(path))
        return cached;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    auto *image = new QImage(reader.read());
    if (image->isNull()) {
        delete image;
        return nullptr;
    }
    const qsizetype kilobytes = std::max<qsizetype>(1, image->sizeInBytes() / 1024);
    cache.insert(path, image, kilobytes);
    return cache.object(path);
}

} // namespace

PlantPhotoView::PlantPhotoView(std::optional<QByteArray> photo, const Species &species, qreal symbolScale,
                               QWidget *parent)
    : QWidget(parent), m_photo(std::move(photo)), m_species(species), m_symbolScale(symbolScale)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(pictureFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setDuration(PhotoViewGeometry::style().fadeMilliseconds);
    m_animation->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_fade = value.toReal();
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, &PlantPhotoView::finishFade);

    loadSpeciesImage();
    if (m_photo)
        m_decodeWanted = true; // decoded when first shown
}

PlantPhotoView::~PlantPhotoView() = default;

std::optional<QByteArray> PlantPhotoView::photo() const
{
    if (m_reader)
        return m_readerHasPhoto ? m_reader() : std::nullopt;
    return m_photo;
}

bool PlantPhotoView::hasPhoto() const
{
    return m_reader ? m_readerHasPhoto : m_photo.has_value();
}

void PlantPhotoView::setPhoto(const std::optional<QByteArray> &photo)
{
    if (!m_reader && photo == m_photo)
        return;
    m_reader = {};
    m_photo = photo;
    photoChanged();
}

void PlantPhotoView::setPhotoReader(quint64 source, quint64 revision, bool hasPhoto, PhotoReader read)
{
    const bool same = m_reader && source == m_readerSource && hasPhoto == m_readerHasPhoto &&
                      (!hasPhoto || revision == m_readerRevision);
    m_reader = std::move(read);
    if (same)
        return;
    m_photo.reset();
    m_readerSource = source;
    m_readerRevision = revision;
    m_readerHasPhoto = hasPhoto;
    photoChanged();
}

void PlantPhotoView::photoChanged()
{
    ++m_photoRevision;
    ++m_requestSerial; // a decode still running is for the old bytes
    m_decoding = false;
    m_photoSize.reset();
    m_decodedMaxPixel = 0;
    if (hasPhoto()) {
        requestDecode();
    } else {
        m_decodeWanted = false;
        showImage(std::nullopt, true);
    }
}

void PlantPhotoView::setSpecies(const Species &species)
{
    if (species == m_species)
        return;
    m_species = species;
    loadSpeciesImage();
    update();
}

void PlantPhotoView::setSymbolScale(qreal symbolScale)
{
    if (qFuzzyCompare(symbolScale, m_symbolScale))
        return;
    m_symbolScale = symbolScale;
    update();
}

void PlantPhotoView::setCornerRadius(qreal radius, unsigned corners)
{
    m_radius = radius;
    m_corners = corners;
    update();
}

QSize PlantPhotoView::sizeHint() const
{
    return {120, 120};
}

void PlantPhotoView::requestDecode()
{
    m_decodeQueued = false;
    if (!hasPhoto())
        return;
    const QSize frame = framePixels();
    // Only a picture on screen is decoded: a row scrolled out of a long list waits until it is
    // painted (paintEvent asks again).
    if (!isVisible() || frame.isEmpty() || visibleRegion().isEmpty()) {
        m_decodeWanted = true;
        return;
    }
    const std::optional<QByteArray> bytes = m_reader ? m_reader() : m_photo;
    if (!bytes) {
        m_decodeWanted = false;
        showImage(std::nullopt, true);
        return;
    }
    m_decodeWanted = false;
    m_decoding = true;
    const quint64 serial = ++m_requestSerial;
    auto *watcher = new QFutureWatcher<DecodeResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, serial] {
        watcher->deleteLater();
        if (serial != m_requestSerial)
            return; // superseded by another photo or a larger frame
        m_decoding = false;
        applyDecode(watcher->result());
    });
    watcher->setFuture(
        QtConcurrent::run([bytes = *bytes, knownSize = m_photoSize, frame, revision = m_photoRevision] {
            DecodeResult result;
            result.revision = revision;
            result.photoSize = knownSize ? knownSize : PhotoProcessor::imageSize(bytes);
            result.maxPixel =
                PhotoViewGeometry::decodeMaxPixel(result.photoSize, frame, PhotoProcessor::displayMaxPixel);
            result.image = PhotoProcessor::thumbnail(bytes, result.maxPixel);
            return result;
        }));
}

void PlantPhotoView::applyDecode(const DecodeResult &result)
{
    if (result.revision != m_photoRevision)
        return;
    m_photoSize = result.photoSize;
    m_decodedMaxPixel = result.maxPixel;
    // A sharper decode of the photo already shown replaces it in place; a new photo fades in.
    const bool samePhoto = m_image && m_imageRevision == result.revision;
    m_imageRevision = result.revision;
    showImage(result.image, !samePhoto);
    emit photoDecoded();
    if (m_image && wantsLargerDecode())
        requestDecode();
}

bool PlantPhotoView::wantsLargerDecode() const
{
    if (!hasPhoto() || !m_image || m_decoding)
        return false;
    const int cap = PhotoProcessor::displayMaxPixel;
    const int needed = PhotoViewGeometry::decodeMaxPixel(m_photoSize, framePixels(), cap);
    const int available =
        m_photoSize ? std::min(cap, std::max(m_photoSize->width(), m_photoSize->height())) : cap;
    return needed > m_decodedMaxPixel && m_decodedMaxPixel < available;
}

void PlantPhotoView::showImage(std::optional<QImage> image, bool fade)
{
    m_animation->stop();
    if (!fade || !isVisible()) {
        m_image = std::move(image);
        finishFade();
        return;
    }
    if (!image && !m_image)
        return;
    m_outgoing = std::move(m_image);
    m_fadingOut = !image.has_value();
    m_image = std::move(image);
    m_fade = 0;
    m_animation->start();
    update();
}

void PlantPhotoView::finishFade()
{
    m_outgoing.reset();
    m_scaledOutgoing = {};
    m_fadingOut = false;
    m_fade = 1.0;
    update();
}

QSize PlantPhotoView::framePixels() const
{
    const qreal dpr = devicePixelRatioF();
    return {int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr))};
}

const QImage &PlantPhotoView::scaledForFrame(const QImage &source, ScaledImage &cache) const
{
    const QSize frame = framePixels();
    if (source.isNull() || frame.isEmpty())
        return source;
    const double scale =
        std::max(double(frame.width()) / source.width(), double(frame.height()) / source.height());
    if (scale >= 0.75)
        return source;
    if (cache.sourceKey != source.cacheKey() || cache.frame != frame) {
        cache.sourceKey = source.cacheKey();
        cache.frame = frame;
        cache.image = source.scaled(std::max(1, int(std::ceil(source.width() * scale))),
                                    std::max(1, int(std::ceil(source.height() * scale))),
                                    Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return cache.image;
}

QImage PlantPhotoView::renderPlaceholder(const QRectF &frame, qreal symbolScale, qreal devicePixelRatio,
                                         QPointF *origin)
{
    const PhotoViewGeometry::Style &style = PhotoViewGeometry::style();
    const QRectF symbol = PhotoViewGeometry::placeholderSymbolRect(frame, symbolScale);
    if (symbol.width() < 1)
        return {};
    const qreal dpr = devicePixelRatio;
    const qreal margin = std::ceil(style.shadowBlur * 2);
    const QRectF area =
        symbol.united(symbol.translated(style.shadowOffset)).adjusted(-margin, -margin, margin, margin);
    const QSize pixels(int(std::ceil(area.width() * dpr)), int(std::ceil(area.height() * dpr)));

    QImage shadow(pixels, QImage::Format_ARGB32_Premultiplied);
    shadow.setDevicePixelRatio(dpr);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        Symbols::paint(p, symbol.translated(style.shadowOffset - area.topLeft()), leafSymbol, Qt::black);
    }
    const int boxRadius = std::max(1, int(std::lround(style.shadowBlur * dpr / 2.0)));
    for (int pass = 0; pass < 3; ++pass) {
        blurAlpha(shadow, boxRadius, true);
        blurAlpha(shadow, boxRadius, false);
    }
    {
        QPainter p(&shadow);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(QRectF(QPointF(0, 0), area.size()), style.shadowColor);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(style.symbolOpacity);
        Symbols::paint(p, symbol.translated(-area.topLeft()), leafSymbol, Qt::white);
    }
    if (origin)
        *origin = area.topLeft();
    return shadow;
}

QImage PlantPhotoView::renderSpeciesPicture(const Species &species, const QRectF &frame, qreal symbolScale,
                                            qreal devicePixelRatio, QPointF *origin)
{
    if (!SpeciesIllustration::exists(species.id))
        return renderPlaceholder(frame, symbolScale, devicePixelRatio, origin);
    const QRectF square = PhotoViewGeometry::illustrationRect(frame, devicePixelRatio);
    if (origin)
        *origin = square.topLeft();
    return SpeciesIllustration::render(species.id, square.width(), devicePixelRatio);
}

QLinearGradient PlantPhotoView::backdropGradient(double hue, Qt::LayoutDirection direction)
{
    const bool rightToLeft = direction == Qt::RightToLeft;
    QLinearGradient gradient(rightToLeft ? 1 : 0, 0, rightToLeft ? 0 : 1, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    const PhotoViewGeometry::Gradient colors = PhotoViewGeometry::backgroundGradient(hue);
    gradient.setColorAt(0, colors.start);
    gradient.setColorAt(1, colors.end);
    return gradient;
}

void PlantPhotoView::paintBackdrop(QPainter &painter, const QPainterPath &clip)
{
    // The drawing depends on the species itself, not only its hue.
    const QString drawing = m_hasIllustration ? m_species.id : QString();
    const QString key = QStringLiteral("backdrop-%1-%2-%3-%4-%5-%6-")
                            .arg(m_species.hue, 0, 'g', 17)
                            .arg(int(layoutDirection()))
                            .arg(m_radius)
                            .arg(m_corners)
                            .arg(m_symbolScale, 0, 'g', 17)
                            .arg(m_speciesImage.isNull() ? 0 : m_speciesImage.cacheKey()) +
                        drawing;
    // The layer is drawn at the view's origin, so the clip path fits it as it is.
    Painting::drawCached(painter, QRectF(rect()), key, [&](QPainter &p, const QRectF &box) {
        Painting::setHighQuality(p);
        // Top leading to bottom trailing in the frame's own unit square, so the colours meet the
        // corners of any aspect ratio.
        p.fillPath(clip, backdropGradient(m_species.hue, layoutDirection()));
        if (!m_speciesImage.isNull()) {
            Painting::drawImageFilled(p, scaledForFrame(m_speciesImage, m_scaledSpecies), clip);
            return;
        }
        p.setClipPath(clip); // the leaf's shadow fades out well inside the edges
        QPointF origin;
        const QImage picture =
            renderSpeciesPicture(m_species, box, m_symbolScale, p.device()->devicePixelRatioF(), &origin);
        if (!picture.isNull())
            p.drawImage(origin, picture);
    });
}

void PlantPhotoView::loadSpeciesImage()
{
    m_scaledSpecies = {};
    const QImage *image = m_species.hasImage() ? speciesImage(m_species.imagePath()) : nullptr;
    m_speciesImage = image ? *image : QImage();
    m_hasIllustration = SpeciesIllustration::exists(m_species.id);
}

void PlantPhotoView::paintEvent(QPaintEvent *)
{
    if (m_decodeWanted && !m_decodeQueued) {
        m_decodeQueued = true;
        QMetaObject::invokeMethod(this, &PlantPhotoView::requestDecode, Qt::QueuedConnection);
    }
    QPainter painter(this);
    Painting::setHighQuality(painter);
    const QPainterPath clip = Shapes::continuousRoundedRect(QRectF(rect()), m_radius, m_corners);
    if (clip.isEmpty())
        return;

    paintBackdrop(painter, clip);

    if (m_outgoing) {
        painter.setOpacity(m_fadingOut ? 1.0 - m_fade : 1.0);
        Painting::drawImageFilled(painter, scaledForFrame(*m_outgoing, m_scaledOutgoing), clip);
    }
    if (m_image) {
        painter.setOpacity(m_fade);
        Painting::drawImageFilled(painter, scaledForFrame(*m_image, m_scaledImage), clip);
    }
}

void PlantPhotoView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_decodeWanted)
        requestDecode();
    else if (wantsLargerDecode())
        requestDecode();
}

void PlantPhotoView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_decodeWanted)
        requestDecode();
}

void PlantPhotoView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        update();
}
