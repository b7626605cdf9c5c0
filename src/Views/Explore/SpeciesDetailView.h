#pragma once

#include "Models/ColorRole.h"
#include "Models/Species.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class GlassButton;
class InfoTile;
class ModelStore;
class PhotoCreditLabel;
class Plant;
class PlantFormView;
class PlantPhotoView;
class ScrollColumn;
class Sheet;
class TipRow;

// Everything the catalog knows about one species, pushed on the Explore stack when its card is
// chosen: the picture with its credit, the names, the summary, "Add to My Plants", the six care
// facts and the numbered tips, in one column at most 820 wide, centred.
//
//   stack->push(new SpeciesDetailView(store, species), species.commonName);
//   detail->addToMyPlants();    // what the button does: the plant form in a sheet
//
// "Add to My Plants" opens the form for a new plant of the species in a sheet with its own
// "Cancel"; saving or cancelling closes the sheet and leaves the user here (plantAdded() tells of
// a plant saved). The screen itself reads and writes nothing in the store.
class SpeciesDetailView final : public QWidget
{
    Q_OBJECT

public:
    // One care fact as its tile shows it.
    struct Fact
    {
        QString title;
        QString value;
        QString symbol;
        ColorRole tint;
        friend bool operator==(const Fact &, const Fact &) = default;
    };
    // Water, Fertilize, Mist ("Not needed" below 1 day), Light, Humidity and Pets, in this order.
    static QList<Fact> facts(const Species &species);

    SpeciesDetailView(ModelStore &store, const Species &species, QWidget *parent = nullptr);
    ~SpeciesDetailView() override;

    const Species &species() const { return m_species; }
    // Opens the plant form in a sheet; does nothing while one is open.
    void addToMyPlants();
    bool isAdding() const { return m_sheet != nullptr; }
    Sheet *sheet() const { return m_sheet; }
    PlantFormView *form() const;

    GlassButton *addButton() const { return m_add; }
    QList<InfoTile *> tiles() const { return m_tiles; }
    QList<TipRow *> tipRows() const { return m_tips; }
    PlantPhotoView *picture() const { return m_picture; }
    PhotoCreditLabel *creditLabel() const { return m_credit; }
    ScrollColumn *scrollColumn() const { return m_scroll; }

signals:
    // The form opened by addToMyPlants() added plant to the garden.
    void plantAdded(Plant *plant);

protected:
    void changeEvent(QEvent *event) override;

private:
    QWidget *createPictureBlock();
    QWidget *createTitleBlock();
    QWidget *createFacts();
    QWidget *createTips();
    void applyTints();

    ModelStore &m_store;
    Species m_species;
    ScrollColumn *m_scroll;
    PlantPhotoView *m_picture = nullptr;
    PhotoCreditLabel *m_credit = nullptr;
    GlassButton *m_add;
    QList<InfoTile *> m_tiles;
    QList<TipRow *> m_tips;
    QPointer<Sheet> m_sheet;
};
