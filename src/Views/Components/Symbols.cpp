#include "Views/Components/Symbols.h"

#include <QCache>
#include <QFile>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QLoggingCategory>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

Q_LOGGING_CATEGORY(lcSymbols, "tendrel.views", QtWarningMsg)

namespace {

// Symbol name -> Phosphor icon file in resources/icons. A ".fill" name takes the fill weight,
// every other name the regular weight, so filled and outlined symbols keep their meaning.
const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> map = {
        {QStringLiteral("arrow.uturn.backward"), QStringLiteral("arrow-u-up-left")},
        {QStringLiteral("bell.badge.fill"), QStringLiteral("bell-ringing-fill")},
        {QStringLiteral("books.vertical"), QStringLiteral("books")},
        {QStringLiteral("camera.fill"), QStringLiteral("camera-fill")},
        {QStringLiteral("checklist"), QStringLiteral("list-checks")},
        {QStringLiteral("checkmark"), QStringLiteral("check")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("check-circle-fill")},
        {QStringLiteral("checkmark.seal.fill"), QStringLiteral("seal-check-fill")},
        {QStringLiteral("chevron.left"), QStringLiteral("caret-left")},
        {QStringLiteral("chevron.right"), QStringLiteral("caret-right")},
        {QStringLiteral("chevron.up.chevron.down"), QStringLiteral("caret-up-down")},
        {QStringLiteral("drop.fill"), QStringLiteral("drop-fill")},
        {QStringLiteral("ellipsis"), QStringLiteral("dots-three")},
        {QStringLiteral("exclamationmark.circle.fill"), QStringLiteral("warning-circle-fill")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("warning-fill")},
        {QStringLiteral("gauge.with.dots.needle.33percent"), QStringLiteral("gauge")},
        {QStringLiteral("hand.thumbsup.fill"), QStringLiteral("thumbs-up-fill")},
        {QStringLiteral("house"), QStringLiteral("house")},
        {QStringLiteral("humidity"), QStringLiteral("drop-half-bottom")},
        {QStringLiteral("humidity.fill"), QStringLiteral("spray-bottle-fill")},
        {QStringLiteral("leaf"), QStringLiteral("leaf")},
        {QStringLiteral("leaf.arrow.triangle.circlepath"), QStringLiteral("plant")},
        {QStringLiteral("leaf.circle"), QStringLiteral("potted-plant")},
        {QStringLiteral("leaf.fill"), QStringLiteral("leaf-fill")},
        {QStringLiteral("lightbulb.fill"), QStringLiteral("lightbulb-fill")},
        {QStringLiteral("line.3.horizontal.decrease.circle"), QStringLiteral("funnel")},
        {QStringLiteral("line.3.horizontal.decrease.circle.fill"), QStringLiteral("funnel-fill")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("magnifying-glass")},
        {QStringLiteral("minus"), QStringLiteral("minus")},
        {QStringLiteral("pawprint.fill"), QStringLiteral("paw-print-fill")},
        {QStringLiteral("pencil"), QStringLiteral("pencil-simple")},
        {QStringLiteral("plus"), QStringLiteral("plus")},
        {QStringLiteral("sun.max"), QStringLiteral("sun")},
        {QStringLiteral("sun.max.fill"), QStringLiteral("sun-fill")},
        {QStringLiteral("sun.min"), QStringLiteral("sun-dim")},
        {QStringLiteral("sun.min.fill"), QStringLiteral("sun-dim-fill")},
        {QStringLiteral("trash"), QStringLiteral("trash")},
        {QStringLiteral("xmark"), QStringLiteral("x")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("x-circle-fill")},
    };
    return map;
}

QCache<QString, QPixmap> &cache()
{
    static QCache<QString, QPixmap> pixmaps(512);
    return pixmaps;
}

QHash<QString, QByteArray> &svgData()
{
    static QHash<QString, QByteArray> data;
    return data;
}

QByteArray loadSvg(const QString &path)
{
    auto it = svgData().constFind(path);
    if (it != svgData().constEnd())
        return *it;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    else
        qCWarning(lcSymbols) << "icon resource missing:" << path;
    svgData().insert(path, bytes);
    return bytes;
}

class SymbolIconEngine final : public QIconEngine
{
public:
    SymbolIconEngine(QString name, QColor color) : m_name(std::move(name)), m_color(std::move(color)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        QColor color = m_color;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.35f);
        Symbols::paint(*painter, rect, m_name, color);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        QColor color = m_color;
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.35f);
        return Symbols::pixmap(m_name, qMin(size.width(), size.height()), color, scale);
    }

    QIconEngine *clone() const override { return new SymbolIconEngine(m_name, m_color); }
    QString key() const override { return QStringLiteral("tendrel.symbol"); }

private:
    QString m_name;
    QColor m_color;
};

} // namespace

QStringList Symbols::knownNames()
{
    QStringList names = table().keys();
    names.sort();
    return names;
}

bool Symbols::contains(const QString &name)
{
    return table().contains(name);
}

std::optional<QString> Symbols::resourcePath(const QString &name)
{
    const auto it = table().constFind(name);
    if (it == table().constEnd())
        return std::nullopt;
    return QStringLiteral(":/icons/") + *it + QStringLiteral(".svg");
}

QPixmap Symbols::pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio)
{
    const auto path = resourcePath(name);
    if (!path) {
        qCWarning(lcSymbols) << "unknown symbol" << name;
        return {};
    }
    if (size < 1)
        return {};
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const QString key = name + QLatin1Char('|') + QString::number(size) + QLatin1Char('|') +
                        QString::number(color.rgba(), 16) + QLatin1Char('|') + QString::number(dpr);
    if (const QPixmap *hit = cache().object(key))
        return *hit;

    const int side = qMax(1, int(std::ceil(size * dpr)));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QSvgRenderer renderer(loadSvg(*path));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&p, QRectF(0, 0, side, side));
        // Keep the icon's coverage, replace its colour: a tint that works for any SVG colours.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    QPixmap result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(dpr);
    cache().insert(key, new QPixmap(result));
    return result;
}

QIcon Symbols::icon(const QString &name, const QColor &color)
{
    if (!contains(name)) {
        qCWarning(lcSymbols) << "unknown symbol" << name;
        return {};
    }
    return QIcon(new SymbolIconEngine(name, color));
}

void Symbols::paint(QPainter &painter, const QRectF &rect, const QString &name, const QColor &color)
{
    const qreal side = qMin(rect.width(), rect.height());
    if (side < 1)
        return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const int size = qRound(side);
    const QPixmap pm = pixmap(name, size, color, dpr);
    if (pm.isNull())
        return;
    const QRectF target(rect.center().x() - size / 2.0, rect.center().y() - size / 2.0, size, size);
    painter.drawPixmap(target, pm, QRectF(0, 0, pm.width(), pm.height()));
}

int Symbols::sizeFor(const QFont &font)
{
    // Symbols sit slightly taller than the text's x-height band, as in the platform's labels.
    return qMax(8, qRound(QFontInfo(font).pixelSize() * 1.2));
}

void Symbols::clearCache()
{
    cache().clear();
}
