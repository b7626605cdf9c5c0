#include "Views/Plants/SpeciesRow.h"

#include "Views/Components/Accessibility.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/Symbols.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

constexpr int pictureSide = 44;
constexpr qreal pictureRadius = 12;
constexpr qreal pictureSymbolScale = 0.5;
constexpr int itemSpacing = 14;
constexpr int lineSpacing = 2;

} // namespace

SpeciesRow::SpeciesRow(const Species &species, QWidget *parent) : QWidget(parent), m_species(species)
{
    const Theme &t = Theme::current();
    setObjectName(QStringLiteral("speciesRow-") + species.id);

    m_picture = new PlantPhotoView(std::nullopt, species, pictureSymbolScale, this);
    m_picture->setFixedSize(pictureSide, pictureSide);
    m_picture->setCornerRadius(pictureRadius);

    m_commonName = new TextLabel(species.commonName, TextStyle::headline, this);
    m_commonName->setElided(true);
    m_scientificName = new TextLabel(species.scientificName, TextStyle::subheadline, this);
    m_scientificName->setItalic(true);
    m_scientificName->setTextColor(&ThemeColors::secondaryLabel);
    m_scientificName->setElided(true);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(lineSpacing);
    texts->addStretch(1);
    texts->addWidget(m_commonName);
    texts->addWidget(m_scientificName);
    texts->addStretch(1);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(itemSpacing);
    row->addWidget(m_picture, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);

    if (species.id != Species::custom().id) {
        const int symbolSize = Symbols::sizeFor(t.font(TextStyle::body));
        auto *light = new SymbolView(species.light.symbol(), symbolSize, &ThemeColors::yellow, this);
        light->setAccessibleName(species.light.label());
        light->setToolTip(species.light.label());
        m_symbols.append(light);
        if (species.petSafe) {
            auto *paw =
                new SymbolView(QStringLiteral("pawprint.fill"), symbolSize, &ThemeColors::green, this);
            paw->setAccessibleName(tr("Pet safe"));
            paw->setToolTip(tr("Pet safe"));
            m_symbols.append(paw);
        }
        for (SymbolView *symbol : std::as_const(m_symbols))
            row->addWidget(symbol, 0, Qt::AlignVCenter);
    }
    setAccessibleName(species.commonName);
    setAccessibleDescription(species.scientificName);
    // Readers hear both names as the row's name and description, and the picture is decoration;
    // only the symbols add to them.
    Accessibility::setIgnored(m_picture);
    Accessibility::setIgnored(m_commonName);
    Accessibility::setIgnored(m_scientificName);
}
