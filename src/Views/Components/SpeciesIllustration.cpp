#include "Views/Components/SpeciesIllustration.h"

#include <QCache>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace {

// A drawing at a 320-point header on a 2x screen is 2.5 MB; a whole Explore grid at 1x is ~1 MB.
constexpr qsizetype cacheKilobytes = 24 * 1024;

int &renders()
{
    static int count = 0;
    return count;
}

QHash<QString, std::shared_ptr<QSvgRenderer>> &renderers()
{
    static QHash<QString, std::shared_ptr<QSvgRenderer>> parsed;
    return parsed;
}

// Null for a species without a (valid) drawing; the answer is kept either way.
QSvgRenderer *renderer(const QString &speciesId)
{
    auto &parsed = renderers();
    const auto found = parsed.constFind(speciesId);
    if (found != parsed.constEnd())
        return found->get();
    std::shared_ptr<QSvgRenderer> svg;
    const QString path = SpeciesIllustration::resourcePath(speciesId);
    if (QFile::exists(path)) {
        svg = std::make_shared<QSvgRenderer>(path);
        if (!svg->isValid())
            svg.reset();
    }
    parsed.insert(speciesId, svg);
    return svg.get();
}

} // namespace

QString SpeciesIllustration::resourcePath(const QString &speciesId)
{
    return QStringLiteral(":/species/") + speciesId + QStringLiteral(".svg");
}

bool SpeciesIllustration::exists(const QString &speciesId)
{
    return renderer(speciesId) != nullptr;
}

QImage SpeciesIllustration::render(const QString &speciesId, qreal side, qreal devicePixelRatio)
{
    const int pixels = int(std::lround(side * devicePixelRatio));
    if (pixels < 1)
        return {};
    QSvgRenderer *svg = renderer(speciesId);
    if (!svg)
        return {};
    static QCache<QString, QImage> cache(cacheKilobytes);
    const QString key = speciesId + QLatin1Char('/') + QString::number(pixels) + QLatin1Char('@') +
                        QString::number(devicePixelRatio);
    if (const QImage *cached = cache.object(key))
        return *cached;

    ++renders();
    auto *image = new QImage(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image->fill(Qt::transparent);
    {
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg->render(&painter, QRectF(0, 0, pixels, pixels));
    }
    image->setDevicePixelRatio(devicePixelRatio);
    const QImage result = *image;
    cache.insert(key, image, std::max<qsizetype>(1, image->sizeInBytes() / 1024));
    return result;
}

int SpeciesIllustration::renderCount()
{
    return renders();
}
