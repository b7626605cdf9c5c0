#include "FuzzInputs.h"

#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Services/PhotoProcessor.h"
#include "Store/ModelStore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void broken(const char *rule)
{
    std::fprintf(stderr, "rule broken: %s\n", rule);
    std::abort();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void FuzzInputs::initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Hostile input makes readers warn on every run; the figures are what matters.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    static int argc = 1;
    static char name[] = "tendrel-fuzz";
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv); // lives as long as the process

    // Load every image plugin and SQLite's caches now, not during the first input.
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::green);
    for (const QByteArray &format : QImageWriter::supportedImageFormats()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter(&buffer, format).write(picture);
        PhotoProcessor::thumbnail(bytes, 4);
    }
    PhotoProcessor::downscaledJPEGSync(QByteArray("\xFF\xD8", 2), 4);
    QTemporaryDir dir;
    ModelStore::open(dir.filePath(QStringLiteral("warm.sqlite")));
}

void FuzzInputs::readPhoto(QByteArrayView bytes)
{
    const QByteArray data = bytes.toByteArray();
    for (const int maxPixel : {48, PhotoProcessor::importMaxPixel}) {
        const std::optional<QImage> image = PhotoProcessor::thumbnail(data, maxPixel);
        if (image && (image->isNull() || std::max(image->width(), image->height()) > maxPixel))
            broken("a thumbnail is within its size");
    }
    if (const auto jpeg = PhotoProcessor::downscaledJPEGSync(data, PhotoProcessor::importMaxPixel)) {
        if (!PhotoProcessor::thumbnail(*jpeg, PhotoProcessor::importMaxPixel))
            broken("an imported photo reads back");
    }
    PhotoProcessor::imageSize(data);
}

void FuzzInputs::openStore(QByteArrayView bytes)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        broken("a temporary folder");
    const QString path = dir.filePath(QStringLiteral("tendrel.sqlite"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) != bytes.size())
            broken("the input is written");
    }

    QString error;
    std::unique_ptr<ModelStore> store = ModelStore::open(path, &error);
    if (!store) {
        if (error.isEmpty())
            broken("a refusal says why");
        if (readAll(path) != bytes)
            broken("a refused file keeps every byte");
        if (QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size() != 1)
            broken("a refused file gains no file beside it");
        return;
    }
    for (Plant *plant : store->plants())
        plant->photo();
    if (!store->plants().isEmpty()) {
        Plant *plant = store->plants().constFirst();
        plant->markDone(CareKind::water, QDateTime::fromMSecsSinceEpoch(1'800'000'000'000, Qt::UTC));
        plant->setName(plant->name() + QStringLiteral(" again"));
    }
    store->insert(new Plant(QStringLiteral("Fuzz"), Species::custom(), QStringLiteral("Hall")));
    store->flush();
}
