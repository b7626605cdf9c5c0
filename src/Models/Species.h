#pragma once

#include "Models/ColorRole.h"
#include "Models/Difficulty.h"
#include "Models/LightLevel.h"
#include "Models/PhotoCredit.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One entry of the built-in houseplant catalog. Species are constants: the user never creates,
// edits or stores one; a plant stores only the species id and looks the rest up with find().
struct Species
{
    QString id; // lower-case ASCII, unique in the catalog
    QString commonName;
    QString scientificName;
    LightLevel light = LightLevel::medium;
    qint64 waterDays = 0;
    qint64 fertilizeDays = 0;
    qint64 mistDays = 0; // 0: the species needs no misting
    QString humidity;    // "Low", "Average" or "High"
    Difficulty difficulty = Difficulty::moderate;
    bool petSafe = false;
    double hue = 0; // placeholder colour, a fraction of the colour circle
    QString summary;
    QStringList tips;

    // The 18 catalog species in display order; never contains custom().
    static const QList<Species> &catalog();
    // The species of every plant outside the catalog ("Other plant").
    static const Species &custom();
    // The catalog entry with exactly this id, or custom() (never none).
    static const Species &find(QStringView id);

    // "Species/" followed by the id: the name of the species photograph among the resources.
    QString imageName() const;
    // Path of the photograph (":/Species/<id>.jpg" among the compiled-in resources).
    QString imagePath() const;
    // Whether that photograph exists; without one a species shows its placeholder and no credit.
    bool hasImage() const;
    // For tests: look for photographs in directory instead of the resources; empty restores them.
    // Not thread-safe; set it before any picture is looked up.
    static void setImageDirectory(const QString &directory);
    std::optional<PhotoCredit> photoCredit() const;

    QString petSafetyLabel() const;
    QString petSafetySymbol() const;
    ColorRole petSafetyTint() const;

    friend bool operator==(const Species &, const Species &) = default;
};

size_t qHash(const Species &species, size_t seed = 0) noexcept;
