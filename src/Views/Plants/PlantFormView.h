#pragma once

#include "Models/CareKind.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Views/Plants/IntervalRow.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class BusyIndicator;
class DatePicker;
class GlassButton;
class InsetSection;
class ListRow;
class ModelStore;
class NavigationStack;
class NotesEditor;
class PhotoChooser;
class PlantPhotoView;
class QLineEdit;
class QMenu;
class TextLabel;

// The one form through which a plant is created (from a species) or changed. It edits a working
// copy and writes it to a plant only on "Add" / "Save"; "Cancel" changes nothing. It never closes
// itself: after saving or cancelling it calls onFinish, and whoever presented it removes it.
//
// The form is a page for a NavigationStack: when shown in one it puts its "Cancel" (if wanted) and
// its confirmation button into that page's toolbar.
class PlantFormView final : public QWidget
{
    Q_OBJECT

public:
    class Mode final
    {
    public:
        enum class Kind : unsigned char { newPlant, edit };

        // Create a plant of species.
        static Mode newPlant(const Species &species);
        // Change plant in place.
        static Mode edit(Plant *plant);

        Kind kind() const { return m_kind; }
        bool isNew() const { return m_kind == Kind::newPlant; }
        // The species a new plant is made of (new mode).
        const Species &species() const { return m_species; }
        // The plant being edited; null in new mode or once the plant is gone.
        Plant *plant() const { return m_plant; }

    private:
        Mode() = default;
        Kind m_kind = Kind::newPlant;
        Species m_species;
        QPointer<Plant> m_plant;
    };

    // The rooms every room menu offers, in this order.
    static const QStringList &defaultSites();
    // The longer side of an imported photo.
    static constexpr int photoMaxPixel = 1600;

    PlantFormView(ModelStore &store, Mode mode, bool showsCancel, std::function<void()> onFinish,
                  QWidget *parent = nullptr);
    ~PlantFormView() override;

    // form as the root page of a navigation stack of its own, sized for a sheet.
    static NavigationStack *inNavigationStack(PlantFormView *form);

    const Mode &mode() const { return m_mode; }
    bool showsCancel() const { return m_showsCancel; }
    // "New Plant" or "Edit Plant".
    QString title() const;
    // The mode's species, or the species the edited plant's speciesID names (looked up afresh).
    Species species() const;

    // Rooms for the room menu: every plant's room as stored plus defaultSites(), without exact
    // duplicates, in code-point order.
    QStringList siteOptions() const;
    // The working interval of kind, read and written by that kind's IntervalRow.
    IntervalRow::Binding binding(CareKind kind);

    // Fills the working copy from the mode; only the first call does anything (it runs when the
    // form is first shown), so returning to the form keeps the user's edits.
    void load();
    // Writes the working copy to the plant (inserting a new one) and calls onFinish. Refused while
    // canSave() is false.
    void save();
    // Calls onFinish and writes nothing.
    void cancel();
    bool canSave() const;

    // Opens the desktop's file chooser for an image; the chosen file is imported.
    void choosePhoto();
    // Reads the file and turns it into the stored photo form away from the UI thread. A file that
    // cannot be read leaves the photo as it was; one that is not a picture leaves no photo.
    // photoImportFinished() follows in any case.
    void importPhoto(const QString &path);
    void removePhoto();

    // The working copy.
    bool didLoad() const { return m_didLoad; }
    QString name() const { return m_name; }
    QString site() const { return m_site; }
    QString notes() const { return m_notes; }
    std::optional<QByteArray> photo() const { return m_photo; }
    bool isProcessingPhoto() const { return m_isProcessingPhoto; }
    qint64 interval(CareKind kind) const { return m_intervals.value(kind, 0); }
    QDateTime lastWatered() const { return m_lastWatered; }

    // The parts a user works with.
    QLineEdit *nameField() const { return m_nameField; }
    QLineEdit *roomField() const { return m_roomField; }
    GlassButton *roomMenuButton() const { return m_roomMenuButton; }
    QMenu *roomMenu() const { return m_roomMenu; }
    NotesEditor *notesEditor() const { return m_notesEditor; }
    DatePicker *lastWateredPicker() const { return m_lastWateredPicker; }
    ListRow *lastWateredRow() const { return m_lastWateredRow; }
    IntervalRow *intervalRow(CareKind kind) const { return m_intervalRows.value(kind.index()); }
    InsetSection *careSection() const { return m_careSection; }
    PlantPhotoView *photoView() const { return m_photoView; }
    BusyIndicator *busyIndicator() const { return m_busy; }
    GlassButton *photoButton() const { return m_photoButton; }
    GlassButton *removePhotoButton() const { return m_removePhotoButton; }
    GlassButton *cancelButton() const { return m_cancelButton; }
    GlassButton *confirmButton() const { return m_confirmButton; }

    // At least 480 x 560 where there is room; a smaller window gets a scrolling form rather than
    // one cut off below its edge.
    QSize minimumSizeHint() const override;

signals:
    // An import started by importPhoto() has ended (with a photo, none, or the photo unchanged).
    void photoImportFinished();
    // "Add" saved a new plant (before onFinish is called).
    void plantAdded(Plant *plant);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createPhotoSection();
    QWidget *createDetailsSection();
    QWidget *createCareSection();
    QWidget *createNotesSection();
    void attachToolbar();
    void fillRoomMenu();
    void showWorkingCopy();
    void refreshPhoto();
    void refreshConfirm();
    void refreshLastWatered();
    void setProcessingPhoto(bool processing);
    void finishImport(quint64 serial, std::optional<std::optional<QByteArray>> result);
    void pickLastWateredDate(QDate date);
    Plant *editedPlant() const;
    void finish();

    ModelStore &m_store;
    Mode m_mode;
    bool m_showsCancel;
    std::function<void()> m_onFinish;

    // Working copy.
    QString m_name;
    QString m_site = QStringLiteral("Living Room");
    QString m_notes;
    std::optional<QByteArray> m_photo;
    bool m_isProcessingPhoto = false;
    QHash<CareKind, qint64> m_intervals;
    QDateTime m_createdAt;
    QDateTime m_lastWatered;
    bool m_didLoad = false;
    bool m_finished = false;
    bool m_toolbarAttached = false;
    // Only the latest import may set the photo; earlier ones finishing late are ignored.
    quint64 m_importSerial = 0;

    PlantPhotoView *m_photoView = nullptr;
    BusyIndicator *m_busy = nullptr;
    QWidget *m_photoRow = nullptr;
    TextLabel *m_commonName = nullptr;
    TextLabel *m_scientificName = nullptr;
    GlassButton *m_photoButton = nullptr;
    PhotoChooser *m_photoChooser = nullptr;
    GlassButton *m_removePhotoButton = nullptr;
    QLineEdit *m_nameField = nullptr;
    QLineEdit *m_roomField = nullptr;
    GlassButton *m_roomMenuButton = nullptr;
    QMenu *m_roomMenu = nullptr;
    InsetSection *m_careSection = nullptr;
    QList<IntervalRow *> m_intervalRows;
    ListRow *m_lastWateredRow = nullptr;
    DatePicker *m_lastWateredPicker = nullptr;
    NotesEditor *m_notesEditor = nullptr;
    GlassButton *m_cancelButton;
    GlassButton *m_confirmButton;
};
