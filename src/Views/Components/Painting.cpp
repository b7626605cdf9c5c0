#include "Views/Components/Painting.h"

#include "Views/Components/Shapes.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One pass of a box blur over the alpha channel, along rows (horizontal) or columns.
void boxBlurAlpha(QImage &image, int radius, bool horizontal)
{
    const int w = image.width(), h = image.height();
    const int lines = horizontal ? h : w, length = horizontal ? w : h;
    std::vector<int> src(size_t(length), 0);
    const int window = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        for (int i = 0; i < length; ++i) {
            const int x = horizontal ? i : line, y = horizontal ? line : i;
            src[size_t(i)] = qAlpha(reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]);
        }
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? src[size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            const int x = horizontal ? i : line, y = horizontal ? line : i;
            const int a = sum / window;
            reinterpret_cast<QRgb *>(image.scanLine(y))[x] = qRgba(0, 0, 0, a);
            const int out = i - radius, in = i + radius + 1;
            sum += (in < length ? src[size_t(in)] : 0) - (out >= 0 ? src[size_t(out)] : 0);
        }
    }
}

// Remembers how the latest focus change came about, for every widget of the application.
class FocusReasonTracker final : public QObject
{
public:
    using QObject::QObject;
    bool keyboard = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            keyboard = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                       reason == Qt::ShortcutFocusReason;
        }
        return QObject::eventFilter(watched, event);
    }
};

FocusReasonTracker *focusTracker()
{
    static FocusReasonTracker *tracker = [] {
        auto *t = new FocusReasonTracker(qApp);
        qApp->installEventFilter(t);
        return t;
    }();
    return tracker;
}

} // namespace

bool Painting::showsFocusRing(const QWidget *widget)
{
    return widget && widget->hasFocus() && qApp && focusTracker()->keyboard;
}

void Painting::setHighQuality(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

void Painting::drawImageFilled(QPainter &painter, const QImage &image, const QPainterPath &clip)
{
    if (image.isNull() || clip.isEmpty())
        return;
    const QRectF target = clip.boundingRect();
    const QRectF source = Shapes::aspectFill(QSizeF(image.size()) / image.devicePixelRatio(), target.size());
    if (source.isEmpty())
        return;
    const qreal scale = target.width() / source.width();
    QTransform transform;
    transform.translate(target.left(), target.top());
    transform.scale(scale / image.devicePixelRatio(), scale / image.devicePixelRatio());
    transform.translate(-source.left() * image.devicePixelRatio(), -source.top() * image.devicePixelRatio());
    QBrush brush(image);
    brush.setTransform(transform);
    painter.save();
    setHighQuality(painter);
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawPath(clip);
    painter.restore();
}

namespace {

// The blurred shape of a continuous rounded rect of size (logical pixels), cached.
QPixmap blurredShape(const QSizeF &size, qreal radius, const QColor &color, qreal blur, qreal dpr, int margin)
{
    const QSize logical(int(std::ceil(size.width())) + 2 * margin,
                        int(std::ceil(size.height())) + 2 * margin);
    const QString key = QStringLiteral("tendrel-shadow-%1x%2-%3-%4-%5-%6")
                            .arg(logical.width())
                            .arg(logical.height())
                            .arg(radius)
                            .arg(blur)
                            .arg(color.rgba(), 0, 16)
                            .arg(dpr);
    QPixmap shadow;
    if (QPixmapCache::find(key, &shadow))
        return shadow;
    QImage image(logical * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(dpr, dpr);
        p.fillPath(Shapes::continuousRoundedRect(QRectF(QPointF(margin, margin), size), radius), Qt::black);
    }
    // Three box passes approximate a Gaussian of the given radius.
    const int boxRadius = qMax(1, int(std::lround(blur * dpr / 2.0)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(image, boxRadius, true);
        boxBlurAlpha(image, boxRadius, false);
    }
    {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    shadow = QPixmap::fromImage(std::move(image));
    shadow.setDevicePixelRatio(dpr);
    QPixmapCache::insert(key, shadow);
    return shadow;
}

} // namespace

void Painting::drawShadow(QPainter &painter, const QRectF &rect, qreal radius, const QColor &color,
                          qreal blur, const QPointF &offset)
{
    if (color.alpha() == 0 || rect.isEmpty())
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int margin = int(std::ceil(blur * 2));
    const QPointF origin(rect.left() - margin + offset.x(), rect.top() - margin + offset.y());
    // Past its corners and the blur's reach a shadow is flat: a large one is the shadow of the
    // smallest rect with the same corners, its middle stretched, so no size is blurred anew.
    const int edge = int(std::ceil(qMax<qreal>(radius, 0))) + margin;
    const int smallest = 2 * edge + 1;
    if (rect.width() <= smallest + 1 || rect.height() <= smallest + 1 ||
        !qFuzzyCompare(dpr, std::round(dpr))) {
        painter.drawPixmap(origin, blurredShape(rect.size(), radius, color, blur, dpr, margin));
        return;
    }
    const QPixmap shadow = blurredShape(QSizeF(smallest, smallest), radius, color, blur, dpr, margin);
    // Nine slices: corners as they are, edges and middle stretched (source rects in pixels).
    const qreal slice = edge + margin;
    const QSizeF full(rect.width() + 2 * margin, rect.height() + 2 * margin);
    const qreal xs[] = {0, slice, full.width() - slice, full.width()};
    const qreal ys[] = {0, slice, full.height() - slice, full.height()};
    const qreal sourceSide = smallest + 2 * margin;
    const qreal sx[] = {0, slice * dpr, (sourceSide - slice) * dpr, sourceSide * dpr};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const QRectF target(origin.x() + xs[column], origin.y() + ys[row], xs[column + 1] - xs[column],
                                ys[row + 1] - ys[row]);
            const QRectF source(sx[column], sx[row], sx[column + 1] - sx[column], sx[row + 1] - sx[row]);
            painter.drawPixmap(target, shadow, source);
        }
    }
}

void Painting::drawGlass(QPainter &painter, const QPainterPath &path, const QColor &fill,
                         const QColor &border, const std::optional<QColor> &tint, qreal tintAlpha)
{
    painter.save();
    setHighQuality(painter);
    painter.setPen(Qt::NoPen);
    painter.fillPath(path, fill);
    if (tint)
        painter.fillPath(path, Theme::withAlpha(*tint, tintAlpha * tint->alphaF()));
    // A faint top-lit edge: brighter at the top, fading downwards, as light catches glass.
    const QRectF bounds = path.boundingRect();
    QLinearGradient edge(bounds.topLeft(), bounds.bottomLeft());
    edge.setColorAt(0, border);
    edge.setColorAt(1, Theme::withAlpha(border, border.alphaF() * 0.35));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(edge), 1.0));
    painter.drawPath(path);
    painter.restore();
}

void Painting::drawFocusRing(QPainter &painter, const QPainterPath &path, const QColor &color, qreal width)
{
    painter.save();
    setHighQuality(painter);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, width));
    painter.drawPath(path);
    painter.restore();
}

void Painting::drawCached(QPainter &painter, const QRectF &rect, const QString &key, const Layer &paint)
{
    if (rect.isEmpty())
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform device = painter.deviceTransform();
    const QPointF at = device.map(rect.topLeft());
    const QSizeF pixels = rect.size() * dpr;
    const auto whole = [](qreal value) { return std::abs(value - std::round(value)) < 1e-6; };
    const bool aligned = device.type() <= QTransform::TxScale && qFuzzyCompare(device.m11(), dpr) &&
                         qFuzzyCompare(device.m22(), dpr) && whole(at.x()) && whole(at.y()) &&
                         whole(pixels.width()) && whole(pixels.height());
    if (!aligned) {
        painter.save();
        painter.translate(rect.topLeft());
        paint(painter, QRectF(QPointF(0, 0), rect.size()));
        painter.restore();
        return;
    }
    // Joined, not formatted: key may hold user text, which must not be read as placeholders.
    const QString fullKey = QStringLiteral("tendrel-") + key + QLatin1Char('@') +
                            QString::number(rect.width()) + QLatin1Char('x') +
                            QString::number(rect.height()) + QLatin1Char('*') + QString::number(dpr);
    QPixmap pixmap;
    if (!QPixmapCache::find(fullKey, &pixmap)) {
        QImage image(QSize(int(std::lround(pixels.width())), int(std::lround(pixels.height()))),
                     QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            paint(p, QRectF(QPointF(0, 0), rect.size()));
        }
        pixmap = QPixmap::fromImage(std::move(image));
        QPixmapCache::insert(fullKey, pixmap);
    }
    // Pixel for pixel: a smooth transform would only send the blend down the raster engine's
    // slow path, which hands every few lines to other threads and waits for them.
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(rect.topLeft(), pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void Painting::drawRoundedRect(QPainter &painter, const QRectF &rect, qreal radius, const QColor &fill,
                               const QColor &border, qreal borderWidth)
{
    const bool outlined = border.alpha() > 0 && borderWidth > 0;
    if (fill.alpha() == 0 && !outlined)
        return;
    const QString key = QStringLiteral("rounded-%1-%2-%3-%4")
                            .arg(radius)
                            .arg(fill.rgba(), 0, 16)
                            .arg(outlined ? border.rgba() : 0, 0, 16)
                            .arg(outlined ? borderWidth : 0);
    drawCached(painter, rect, key, [&](QPainter &p, const QRectF &box) {
        setHighQuality(p);
        if (fill.alpha() > 0)
            p.fillPath(Shapes::continuousRoundedRect(box, radius), fill);
        if (outlined) {
            // Inside the shape, so the outline never widens it.
            const qreal inset = borderWidth / 2;
            p.setPen(QPen(border, borderWidth));
            p.setBrush(Qt::NoBrush);
            p.drawPath(Shapes::continuousRoundedRect(box.adjusted(inset, inset, -inset, -inset),
                                                     std::max<qreal>(0, radius - inset)));
        }
    });
}
