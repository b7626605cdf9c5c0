#include "Models/Species.h"

#include <QFile>

const Species &Species::custom()
{
    static const Species species{
        QStringLiteral("custom"), QStringLiteral("Other plant"), QStringLiteral("Custom schedule"),
        LightLevel::medium, 7, 30, 0, QStringLiteral("Average"), Difficulty::moderate, false, 0.33,
        QStringLiteral("Set your own care schedule."), {}};
    return species;
}

const Species &Species::find(QStringView id)
{
    const QList<Species> &entries = catalog();
    for (const Species &species : entries) {
        if (id == species.id)
            return species;
    }
    // Canonically equivalent spellings count as equal. Catalog ids are ASCII, so only input that
    // is not can need normalising.
    bool ascii = true;
    for (QChar c : id)
        ascii = ascii && c.unicode() < 0x80;
    if (!ascii) {
        const QString normalized = id.toString().normalized(QString::NormalizationForm_C);
        for (const Species &species : entries) {
            if (normalized == species.id)
                return species;
        }
    }
    return custom();
}

QString Species::imageName() const
{
    return QStringLiteral("Species/") + id;
}

namespace {

QString &imageDirectoryOverride()
{
    static QString directory;
    return directory;
}

} // namespace

void Species::setImageDirectory(const QString &directory)
{
    imageDirectoryOverride() = directory;
}

QString Species::imagePath() const
{
    const QString &directory = imageDirectoryOverride();
    if (directory.isEmpty())
        return QStringLiteral(":/") + imageName() + QStringLiteral(".jpg");
    return directory + QLatin1Char('/') + id + QStringLiteral(".jpg");
}

bool Species::hasImage() const
{
    return QFile::exists(imagePath());
}

QString Species::petSafetyLabel() const
{
    return petSafe ? QStringLiteral("Pet safe") : QStringLiteral("Toxic to pets");
}

QString Species::petSafetySymbol() const
{
    return petSafe ? QStringLiteral("pawprint.fill") : QStringLiteral("exclamationmark.triangle.fill");
}

ColorRole Species::petSafetyTint() const
{
    return petSafe ? ColorRole::green : ColorRole::orange;
}

size_t qHash(const Species &s, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, s.id);
    seed = combine(seed, s.commonName);
    seed = combine(seed, s.scientificName);
    seed = combine(seed, s.light.rawValue());
    seed = combine(seed, s.waterDays);
    seed = combine(seed, s.fertilizeDays);
    seed = combine(seed, s.mistDays);
    seed = combine(seed, s.humidity);
    seed = combine(seed, s.difficulty.rawValue());
    seed = combine(seed, s.petSafe);
    // -0.0 == 0.0, so both must hash alike.
    seed = combine(seed, s.hue == 0.0 ? 0.0 : s.hue);
    seed = combine(seed, s.summary);
    seed = combine(seed, s.tips.size());
    for (const QString &tip : s.tips)
        seed = combine(seed, tip);
    return seed;
}
