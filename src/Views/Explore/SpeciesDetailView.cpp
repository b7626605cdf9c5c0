#include "Views/Explore/SpeciesDetailView.h"

#include "Models/CareKind.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/AdaptiveGridLayout.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/SectionHeaderStyle.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Explore/TipRow.h"
#include "Views/Plants/IntervalRow.h"
#include "Views/Plants/PlantFormView.h"

#include <QEvent>
#include <QVBoxLayout>

namespace {

// The column's measurements.
constexpr int columnMaximumWidth = 820;
constexpr int partSpacing = 24;
constexpr int pictureHeight = 300;
constexpr qreal pictureRadius = 28;
constexpr qreal pictureSymbolScale = 0.3;
constexpr int pictureSpacing = 6; // picture to credit, and between the title lines
constexpr int creditInset = 6;
constexpr int tileMinimumWidth = 150;
constexpr int tileSpacing = 12;
constexpr int tipSpacing = 14;

QVBoxLayout *column(QWidget *widget, int spacing)
{
    auto *layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

QList<SpeciesDetailView::Fact> SpeciesDetailView::facts(const Species &species)
{
    const auto care = [](CareKind kind, const QString &value) {
        return Fact{kind.title(), value, kind.symbol(), kind.tint()};
    };
    return {
        care(CareKind::water, IntervalRow::everyText(species.waterDays)),
        care(CareKind::fertilize, IntervalRow::everyText(species.fertilizeDays)),
        care(CareKind::mist,
             species.mistDays < 1 ? tr("Not needed") : IntervalRow::everyText(species.mistDays)),
        Fact{tr("Light"), species.light.label(), species.light.symbol(), ColorRole::yellow},
        Fact{tr("Humidity"), species.humidity, QStringLiteral("humidity"), ColorRole::cyan},
        Fact{tr("Pets"), species.petSafetyLabel(), species.petSafetySymbol(), species.petSafetyTint()},
    };
}

SpeciesDetailView::SpeciesDetailView(ModelStore &store, const Species &species, QWidget *parent)
    : QWidget(parent), m_store(store), m_species(species)
{
    setObjectName(QStringLiteral("speciesDetail"));
    m_scroll = new ScrollColumn(this);
    m_scroll->setObjectName(QStringLiteral("speciesDetailScroll"));
    m_scroll->setMaximumColumnWidth(columnMaximumWidth);
    m_scroll->setSpacing(partSpacing);
    column(this, 0)->addWidget(m_scroll);
    // Opened from the keyboard, the page takes focus (arrows scroll it): a reader names it.
    setFocusProxy(m_scroll);
    m_scroll->setAccessibleName(species.commonName);

    m_scroll->addWidget(createPictureBlock());
    m_scroll->addWidget(createTitleBlock());
    auto *summary = new TextLabel(species.summary, TextStyle::body);
    summary->setObjectName(QStringLiteral("speciesSummary"));
    summary->setWordWrap(true);
    m_scroll->addWidget(summary);

    m_add =
        new GlassButton(tr("Add to My Plants"), QStringLiteral("plus"), GlassButton::Style::prominentGlass);
    m_add->setObjectName(QStringLiteral("addToMyPlants"));
    m_add->setControlSize(GlassButton::ControlSize::large);
    m_add->setExpanding(true);
    connect(m_add, &QAbstractButton::clicked, this, &SpeciesDetailView::addToMyPlants);
    m_scroll->addWidget(m_add);

    m_scroll->addWidget(sectionHeader(tr("Care Needs")));
    m_scroll->addWidget(createFacts());
    m_scroll->addWidget(sectionHeader(tr("Tips")));
    m_scroll->addWidget(createTips());
}

SpeciesDetailView::~SpeciesDetailView()
{
    // Going back while the sheet is open (it cannot be reached, but a test or a shortcut could)
    // must not leave a form for a page that is gone.
    if (m_sheet && !m_sheet->isDismissed())
        m_sheet->dismiss();
}

PlantFormView *SpeciesDetailView::form() const
{
    if (!m_sheet)
        return nullptr;
    return m_sheet->content() ? m_sheet->content()->findChild<PlantFormView *>() : nullptr;
}

void SpeciesDetailView::addToMyPlants()
{
    if (m_sheet && !m_sheet->isDismissed())
        return;
    auto *form = new PlantFormView(m_store, PlantFormView::Mode::newPlant(m_species), true, [this] {
        if (m_sheet && !m_sheet->isDismissed())
            m_sheet->dismiss();
    });
    connect(form, &PlantFormView::plantAdded, this, &SpeciesDetailView::plantAdded);
    // Closing the sheet any way (the form's buttons, Escape) leaves this screen as it was.
    m_sheet = Sheet::present(window(), PlantFormView::inNavigationStack(form), [this] { m_sheet = nullptr; });
}

QWidget *SpeciesDetailView::createPictureBlock()
{
    auto *block = new QWidget;
    QVBoxLayout *layout = column(block, pictureSpacing);
    m_picture = new PlantPhotoView(std::nullopt, m_species, pictureSymbolScale, block);
    m_picture->setFixedHeight(pictureHeight);
    m_picture->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_picture->setCornerRadius(pictureRadius);
    layout->addWidget(m_picture);
    m_credit = new PhotoCreditLabel(m_species, block);
    m_credit->setContentsMargins(creditInset, 0, creditInset, 0);
    layout->addWidget(m_credit);
    return block;
}

QWidget *SpeciesDetailView::createTitleBlock()
{
    auto *block = new QWidget;
    QVBoxLayout *layout = column(block, pictureSpacing);
    auto *name = new TextLabel(m_species.commonName, TextStyle::largeTitle, block);
    name->setTextStyle(TextStyle::largeTitle, QFont::Bold);
    name->setWordWrap(true);
    layout->addWidget(name);
    auto *scientific = new TextLabel(m_species.scientificName, TextStyle::title3, block);
    scientific->setItalic(true);
    scientific->setColorRole(ColorRole::secondary);
    scientific->setWordWrap(true);
    layout->addWidget(scientific);
    return block;
}

QWidget *SpeciesDetailView::createFacts()
{
    auto *grid = new QWidget;
    grid->setObjectName(QStringLiteral("careNeeds"));
    grid->setAccessibleName(tr("Care Needs"));
    Accessibility::setRole(grid, QAccessible::List);
    auto *layout =
        new AdaptiveGridLayout(tileMinimumWidth, AdaptiveColumns::unlimited, tileSpacing, tileSpacing, grid);
    layout->setBalanced(true);
    for (const Fact &fact : facts(m_species)) {
        auto *tile =
            new InfoTile(fact.title, fact.value, fact.symbol, Theme::current().color(fact.tint), grid);
        layout->addWidget(tile);
        m_tiles.append(tile);
    }
    return grid;
}

QWidget *SpeciesDetailView::createTips()
{
    auto *tips = new QWidget;
    tips->setObjectName(QStringLiteral("tips"));
    tips->setAccessibleName(tr("Tips"));
    Accessibility::setRole(tips, QAccessible::List);
    QVBoxLayout *layout = column(tips, tipSpacing);
    for (qsizetype i = 0; i < m_species.tips.size(); ++i) {
        auto *row = new TipRow(int(i + 1), m_species.tips[i], tips);
        layout->addWidget(row);
        m_tips.append(row);
    }
    return tips;
}

void SpeciesDetailView::applyTints()
{
    const QList<Fact> list = facts(m_species);
    for (qsizetype i = 0; i < m_tiles.size() && i < list.size(); ++i)
        m_tiles[i]->setTint(Theme::current().color(list[i].tint));
}

void SpeciesDetailView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The appearance switched: the tiles' tints follow the theme.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyTints();
}
