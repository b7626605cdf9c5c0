#pragma once

#include "Models/Species.h"

#include <QWidget>

class PlantPhotoView;
class SymbolView;
class TextLabel;

// One species in a pick list: its picture, common name over its scientific name, and (for catalog
// species) its light need and, if safe for pets, a paw. The custom species shows no symbols.
class SpeciesRow final : public QWidget
{
    Q_OBJECT

public:
    explicit SpeciesRow(const Species &species, QWidget *parent = nullptr);

    const Species &species() const { return m_species; }
    PlantPhotoView *picture() const { return m_picture; }
    TextLabel *commonNameLabel() const { return m_commonName; }
    TextLabel *scientificNameLabel() const { return m_scientificName; }
    // The light symbol and the paw, in row order; empty for the custom species.
    QList<SymbolView *> symbols() const { return m_symbols; }

private:
    Species m_species;
    PlantPhotoView *m_picture;
    TextLabel *m_commonName;
    TextLabel *m_scientificName;
    QList<SymbolView *> m_symbols;
};
