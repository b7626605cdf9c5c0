#pragma once

// SpeciesIllustration: the drawing of each catalog species (resources/species/<id>.svg, compiled
// in as ":/species/<id>.svg"), shown on the species' hue gradient wherever a plant or species has
// no photograph. "Other plant" has none and keeps the generic leaf.
//
//   if (SpeciesIllustration::exists(species.id))
//       painter.drawImage(at, SpeciesIllustration::render(species.id, 120, devicePixelRatioF()));
//
// Each drawing is parsed once and rendered once per species, size and pixel ratio (so it stays
// crisp from a 36-point row to a 320-point header); later calls share the cached image. UI thread
// only.

#include <QImage>
#include <QString>

class SpeciesIllustration final
{
public:
    SpeciesIllustration() = delete;

    static QString resourcePath(const QString &speciesId);
    // Whether the species has a drawing; remembered per id, so cheap to ask while painting.
    static bool exists(const QString &speciesId);
    // The drawing fitted into a transparent square side points wide at devicePixelRatio (which
    // the image carries). Null when the species has no drawing or side is below one pixel.
    static QImage render(const QString &speciesId, qreal side, qreal devicePixelRatio);

    // For tests and benchmarks: how many renders were not served from the cache.
    static int renderCount();
};
