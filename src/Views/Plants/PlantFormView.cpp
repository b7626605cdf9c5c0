#include "Views/Plants/PlantFormView.h"

#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Core/Formatting.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Services/PhotoProcessor.h"
#include "Store/ModelStore.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InsetSection.h"
#include "Views/Components/ListRow.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/PhotoChooser.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/TextFieldPalette.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/BusyIndicator.h"
#include "Views/Plants/DatePicker.h"
#include "Views/Plants/NotesEditor.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QSet>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <numeric>

Q_LOGGING_CATEGORY(lcFormPhotos, "tendrel.photos.import", QtWarningMsg)

namespace {

constexpr int photoSide = 84;
constexpr qreal photoRadius = 22;
constexpr qreal photoSymbolScale = 0.45;
constexpr int photoRowSpacing = 16;
constexpr int photoColumnSpacing = 8;
constexpr int busyDiameter = 34;
constexpr int fieldLabelWidth = 64;
constexpr int formMinimumWidth = 480;
constexpr int formMinimumHeight = 560;
constexpr int formMaximumColumnWidth = 640;
// No picture the user means is this large; refusing it keeps a stray video or disk image from
// being read into memory. Such a file counts as unreadable, so the photo stays as it was.
constexpr qint64 maxPhotoFileBytes = qint64(PhotoProcessor::allocationLimitMB) * 1024 * 1024;

// The room field counts as blank when nothing but white space is left; saving trims the same
// characters, so an enabled button never stores an empty room.
QString trimmedRoom(const QString &site)
{
    return site.trimmed();
}

QLineEdit *makeFormField(const QString &accessibleName, QWidget *parent)
{
    const Theme &t = Theme::current();
    auto *field = new QLineEdit(parent);
    field->setFrame(false);
    field->setFont(t.font(TextStyle::body));
    field->setAccessibleName(accessibleName);
    field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    TextFieldPalette::apply(field);
    return field;
}

// A form row: the field's name in a fixed column, then the field (and any extra widgets).
ListRow *makeFieldRow(const QString &title, QWidget *field, QWidget *extra = nullptr)
{
    const Theme &t = Theme::current();
    auto *row = new ListRow(title);
    auto *content = new QWidget(row);
    auto *layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(t.list.rowSpacing);
    auto *label = new TextLabel(title, TextStyle::body, content);
    label->setMinimumWidth(fieldLabelWidth);
    label->setBuddy(field);
    layout->addWidget(label);
    field->setParent(content);
    layout->addWidget(field, 1);
    if (extra) {
        extra->setParent(content);
        layout->addWidget(extra, 0, Qt::AlignVCenter);
    }
    row->setContent(content);
    row->setFocusProxy(field);
    return row;
}

// The first local image file among dragged URLs.
std::optional<QString> droppedImagePath(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return std::nullopt;
    static const QSet<QString> readable = [] {
        const QStringList types = PhotoChooser::imageMimeTypes();
        return QSet<QString>(types.begin(), types.end());
    }();
    const QMimeDatabase mimes;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (readable.contains(mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name()))
            return path;
    }
    return std::nullopt;
}

} // namespace

// Mode --------------------------------------------------------------------------------------------

PlantFormView::Mode PlantFormView::Mode::newPlant(const Species &species)
{
    Mode mode;
    mode.m_kind = Kind::newPlant;
    mode.m_species = species;
    return mode;
}

PlantFormView::Mode PlantFormView::Mode::edit(Plant *plant)
{
    Mode mode;
    mode.m_kind = Kind::edit;
    mode.m_plant = plant;
    return mode;
}

// Form --------------------------------------------------------------------------------------------

const QStringList &PlantFormView::defaultSites()
{
    static const QStringList sites = {
        QStringLiteral("Living Room"), QStringLiteral("Bedroom"), QStringLiteral("Kitchen"),
        QStringLiteral("Bathroom"),    QStringLiteral("Office"),  QStringLiteral("Balcony"),
    };
    return sites;
}

PlantFormView::PlantFormView(ModelStore &store, Mode mode, bool showsCancel, std::function<void()> onFinish,
                             QWidget *parent)
    : QWidget(parent), m_store(store), m_mode(std::move(mode)), m_showsCancel(showsCancel),
      m_onFinish(std::move(onFinish))
{
    const Theme &t = Theme::current();
    setObjectName(QStringLiteral("plantForm"));
    m_createdAt = Calendar::current().now();
    m_lastWatered = m_createdAt;

    auto *scroll = new ScrollColumn(this);
    scroll->setBackground(&ThemeColors::groupedBackground);
    scroll->setSpacing(t.list.sectionSpacing);
    scroll->setMaximumColumnWidth(formMaximumColumnWidth);
    scroll->addWidget(createPhotoSection());
    scroll->addWidget(createDetailsSection());
    scroll->addWidget(createCareSection());
    scroll->addWidget(createNotesSection());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    m_cancelButton = new GlassButton(tr("Cancel"), QString(), GlassButton::Style::glass, this);
    m_cancelButton->setObjectName(QStringLiteral("formCancel"));
    m_cancelButton->setRole(GlassButton::Role::cancel);
    m_cancelButton->hide();
    m_confirmButton = new GlassButton(m_mode.isNew() ? tr("Add") : tr("Save"), QString(),
                                      GlassButton::Style::prominentGlass, this);
    m_confirmButton->setObjectName(QStringLiteral("formConfirm"));
    m_confirmButton->setMinimumWidth(72);
    m_confirmButton->hide();
    connect(m_cancelButton, &QAbstractButton::clicked, this, &PlantFormView::cancel);
    connect(m_confirmButton, &QAbstractButton::clicked, this, &PlantFormView::save);

    // "Last watered" may not lie after today, and today moves on while the form is open.
    connect(&DayClock::instance(), &DayClock::dayChanged, this, &PlantFormView::refreshLastWatered);

    showWorkingCopy();
}

PlantFormView::~PlantFormView()
{
    // A late import result must not reach a form that is gone (its continuation is tied to this
    // object too; this also keeps the serial check honest during destruction).
    ++m_importSerial;
}

QSize PlantFormView::minimumSizeHint() const
{
    return {formMinimumWidth, formMinimumHeight};
}

NavigationStack *PlantFormView::inNavigationStack(PlantFormView *form)
{
    auto *stack = new NavigationStack;
    stack->setObjectName(QStringLiteral("plantFormStack"));
    stack->setMinimumSize(formMinimumWidth, formMinimumHeight + Theme::current().navigation.headerHeight);
    // The sheet showing the stack is named after it: "New Plant", "Edit Plant".
    stack->setAccessibleName(form->title());
    NavigationItem *item = stack->setRoot(form, form->title());
    item->setLargeTitle(false);
    return stack;
}

QString PlantFormView::title() const
{
    return m_mode.isNew() ? tr("New Plant") : tr("Edit Plant");
}

Species PlantFormView::species() const
{
    if (m_mode.isNew())
        return m_mode.species();
    const Plant *plant = m_mode.plant();
    return plant ? Species::find(plant->speciesID()) : Species::custom();
}

QStringList PlantFormView::siteOptions() const
{
    QStringList candidates;
    for (const Plant *plant : m_store.plants())
        candidates.append(plant->site());
    candidates.append(defaultSites());
    // Canonically equal spellings are one room; the first spelling seen is the one offered.
    QStringList options;
    QStringList keys;
    QSet<QString> seen;
    for (const QString &site : std::as_const(candidates)) {
        const QString key = site.normalized(QString::NormalizationForm_C);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        options.append(site);
        keys.append(key);
    }
    QList<int> order(options.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return compareCodePoints(keys[a], keys[b]) < 0; });
    QStringList sorted;
    sorted.reserve(options.size());
    for (int index : std::as_const(order))
        sorted.append(options[index]);
    return sorted;
}

IntervalRow::Binding PlantFormView::binding(CareKind kind)
{
    return {[this, kind] { return m_intervals.value(kind, 0); },
            [this, kind](qint64 days) { m_intervals.insert(kind, days); }};
}

void PlantFormView::load()
{
    if (m_didLoad)
        return;
    m_didLoad = true;
    if (m_mode.isNew()) {
        const Species &species = m_mode.species();
        m_intervals.insert(CareKind::water, species.waterDays);
        m_intervals.insert(CareKind::fertilize, species.fertilizeDays);
        m_intervals.insert(CareKind::mist, species.mistDays);
        // Most people add several plants to the same room in a row.
        const QList<Plant *> plants = m_store.plants();
        if (!plants.isEmpty())
            m_site = plants.last()->site();
    } else if (const Plant *plant = editedPlant()) {
        m_name = plant->name();
        m_site = plant->site();
        m_notes = plant->notes();
        m_photo = plant->photo();
        for (CareKind kind : CareKind::allCases())
            m_intervals.insert(kind, plant->interval(kind));
    }
    showWorkingCopy();
}

void PlantFormView::save()
{
    if (!canSave())
        return;
    const QString finalName = m_name.trimmed().isEmpty() ? species().commonName : m_name.trimmed();
    const QString finalRoom = trimmedRoom(m_site);

    // Everything the form writes is one step, so one undo takes it all back.
    GardenHistory &history = GardenHistory::of(m_store);
    if (m_mode.isNew()) {
        // Filled before it joins the store, which then saves it whole.
        auto plant = std::make_unique<Plant>(finalName, m_mode.species(), finalRoom);
        plant->setPhoto(m_photo);
        plant->setNotes(m_notes);
        for (CareKind kind : CareKind::allCases())
            plant->setInterval(kind, interval(kind));
        if (plant->waterInterval() >= 1)
            plant->markDone(CareKind::water, m_lastWatered);
        if (Plant *added = history.addPlant(std::move(plant)))
            emit plantAdded(added);
    } else if (Plant *plant = editedPlant()) {
        // The plant may have been deleted elsewhere while the form was open: nothing left to change.
        history.editPlant(
            plant, {finalName,
                    finalRoom,
                    m_notes,
                    m_photo,
                    {interval(CareKind::water), interval(CareKind::fertilize), interval(CareKind::mist)}});
    }
    finish();
}

void PlantFormView::cancel()
{
    if (m_finished)
        return;
    finish();
}

bool PlantFormView::canSave() const
{
    return !m_finished && !m_isProcessingPhoto && !trimmedRoom(m_site).isEmpty();
}

void PlantFormView::choosePhoto()
{
    if (!m_photoChooser) {
        m_photoChooser = new PhotoChooser(this);
        connect(m_photoChooser, &PhotoChooser::fileChosen, this, &PlantFormView::importPhoto);
    }
    m_photoChooser->open();
}

void PlantFormView::importPhoto(const QString &path)
{
    if (m_finished)
        return;
    const quint64 serial = ++m_importSerial;
    setProcessingPhoto(true);
    // Reading the file and the downscaling both stay off the UI thread (a file may sit on a slow
    // disk or network share). Outer none: the file could not be read; inner none: not a picture.
    using Result = std::optional<std::optional<QByteArray>>;
    auto *watcher = new QFutureWatcher<Result>(this);
    connect(watcher, &QFutureWatcher<Result>::finished, this, [this, watcher, serial] {
        watcher->deleteLater();
        finishImport(serial, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([path]() -> Result {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qCDebug(lcFormPhotos) << "Cannot read" << path << file.errorString();
            return std::nullopt;
        }
        if (file.size() > maxPhotoFileBytes) {
            qCDebug(lcFormPhotos) << "Not a photo, too large:" << path << file.size();
            return std::nullopt;
        }
        const QByteArray bytes = file.readAll();
        if (bytes.isEmpty() || file.error() != QFileDevice::NoError)
            return std::nullopt;
        return Result(PhotoProcessor::downscaledJPEGSync(bytes, photoMaxPixel));
    }));
}

void PlantFormView::removePhoto()
{
    // Also abandons an import under way: the user has just said which photo they want.
    ++m_importSerial;
    m_photo.reset();
    setProcessingPhoto(false);
    refreshPhoto();
}

void PlantFormView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    attachToolbar();
    const bool first = !m_didLoad;
    load();
    refreshLastWatered();
    if (first)
        m_nameField->setFocus(Qt::OtherFocusReason);
}

bool PlantFormView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_photoRow) {
        switch (event->type()) {
        case QEvent::DragEnter: {
            auto *drag = static_cast<QDragEnterEvent *>(event);
            if (!m_finished && droppedImagePath(drag->mimeData())) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (const std::optional<QString> path = droppedImagePath(drop->mimeData())) {
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
                importPhoto(*path);
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget *PlantFormView::createPhotoSection()
{
    const Theme &t = Theme::current();
    auto *section = new InsetSection;
    section->setObjectName(QStringLiteral("photoSection"));

    m_photoRow = new QWidget;
    m_photoRow->setObjectName(QStringLiteral("photoRow"));
    m_photoRow->setAcceptDrops(true);
    m_photoRow->installEventFilter(this);
    auto *row = new QHBoxLayout(m_photoRow);
    row->setContentsMargins(t.list.rowPaddingH, 14, t.list.rowPaddingH, 14);
    row->setSpacing(photoRowSpacing);

    auto *well = new QWidget(m_photoRow);
    well->setFixedSize(photoSide, photoSide);
    m_photoView = new PlantPhotoView(std::nullopt, species(), photoSymbolScale, well);
    m_photoView->setObjectName(QStringLiteral("formPhoto"));
    m_photoView->setCornerRadius(photoRadius);
    m_photoView->setGeometry(0, 0, photoSide, photoSide);
    m_busy = new BusyIndicator(busyDiameter, well);
    m_busy->setObjectName(QStringLiteral("photoBusy"));
    m_busy->move((photoSide - busyDiameter) / 2, (photoSide - busyDiameter) / 2);
    m_busy->hide();
    row->addWidget(well, 0, Qt::AlignVCenter);

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(photoColumnSpacing);
    m_commonName = new TextLabel({}, TextStyle::headline, m_photoRow);
    m_commonName->setElided(true);
    m_scientificName = new TextLabel({}, TextStyle::subheadline, m_photoRow);
    m_scientificName->setItalic(true);
    m_scientificName->setTextColor(&ThemeColors::secondaryLabel);
    m_scientificName->setElided(true);
    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(m_commonName);
    texts->addWidget(m_scientificName);
    column->addStretch(1);
    column->addLayout(texts);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(photoColumnSpacing);
    m_photoButton = new GlassButton(tr("Add Photo"), QStringLiteral("camera.fill"),
                                    GlassButton::Style::bordered, m_photoRow);
    m_photoButton->setObjectName(QStringLiteral("photoButton"));
    m_photoButton->setControlSize(GlassButton::ControlSize::small);
    m_removePhotoButton = new GlassButton(tr("Remove"), QString(), GlassButton::Style::bordered, m_photoRow);
    m_removePhotoButton->setObjectName(QStringLiteral("removePhotoButton"));
    m_removePhotoButton->setControlSize(GlassButton::ControlSize::small);
    m_removePhotoButton->setRole(GlassButton::Role::destructive);
    buttons->addWidget(m_photoButton);
    buttons->addWidget(m_removePhotoButton);
    buttons->addStretch(1);
    column->addLayout(buttons);
    column->addStretch(1);
    row->addLayout(column, 1);

    connect(m_photoButton, &QAbstractButton::clicked, this, &PlantFormView::choosePhoto);
    connect(m_removePhotoButton, &QAbstractButton::clicked, this, &PlantFormView::removePhoto);

    section->addRow(m_photoRow);
    return section;
}

QWidget *PlantFormView::createDetailsSection()
{
    auto *section = new InsetSection(tr("Details"));
    section->setObjectName(QStringLiteral("detailsSection"));

    m_nameField = makeFormField(tr("Name"), nullptr);
    m_nameField->setObjectName(QStringLiteral("nameField"));
    ListRow *nameRow = makeFieldRow(tr("Name"), m_nameField);
    nameRow->setObjectName(QStringLiteral("nameRow"));

    m_roomField = makeFormField(tr("Room"), nullptr);
    m_roomField->setObjectName(QStringLiteral("roomField"));
    m_roomMenuButton = new GlassButton(tr("Choose room"), QStringLiteral("chevron.up.chevron.down"),
                                       GlassButton::Style::borderless);
    m_roomMenuButton->setObjectName(QStringLiteral("roomMenuButton"));
    m_roomMenuButton->setSymbolOnly(true);
    m_roomMenuButton->setAccessibleName(tr("Choose room"));
    m_roomMenuButton->setToolTip(tr("Choose room"));
    m_roomMenuButton->setTint(&ThemeColors::secondaryLabel);
    m_roomMenu = new QMenu(m_roomMenuButton);
    m_roomMenu->setObjectName(QStringLiteral("roomMenu"));
    m_roomMenuButton->setMenu(m_roomMenu);
    m_roomMenuButton->setMenuAnchor(m_roomField);
    ListRow *roomRow = makeFieldRow(tr("Room"), m_roomField, m_roomMenuButton);
    roomRow->setObjectName(QStringLiteral("roomRow"));

    section->addRow(nameRow);
    section->addRow(roomRow);

    connect(m_nameField, &QLineEdit::textEdited, this, [this](const QString &text) { m_name = text; });
    connect(m_roomField, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_site = text;
        refreshConfirm();
    });
    // Return confirms, as the default button of a dialog would.
    for (QLineEdit *field : {m_nameField, m_roomField})
        connect(field, &QLineEdit::returnPressed, this, &PlantFormView::save);
    connect(m_roomMenu, &QMenu::aboutToShow, this, &PlantFormView::fillRoomMenu);
    return section;
}

QWidget *PlantFormView::createCareSection()
{
    m_careSection = new InsetSection(tr("Care Schedule"));
    m_careSection->setObjectName(QStringLiteral("careSection"));
    for (CareKind kind : CareKind::allCases()) {
        auto *row = new IntervalRow(kind, binding(kind), this);
        row->addTo(m_careSection);
        connect(row, &IntervalRow::daysChanged, this, [this, kind] {
            if (kind == CareKind::water)
                refreshLastWatered();
        });
        m_intervalRows.append(row);
    }

    m_lastWateredPicker = new DatePicker;
    m_lastWateredPicker->setObjectName(QStringLiteral("lastWateredPicker"));
    m_lastWateredRow = new ListRow(tr("Last watered"));
    m_lastWateredRow->setObjectName(QStringLiteral("lastWateredRow"));
    m_lastWateredPicker->setParent(m_lastWateredRow);
    m_lastWateredRow->addTrailing(m_lastWateredPicker);
    m_lastWateredPicker->button()->setAccessibleName(tr("Last watered"));
    m_careSection->addRow(m_lastWateredRow);
    connect(m_lastWateredPicker, &DatePicker::dateChanged, this, &PlantFormView::pickLastWateredDate);
    return m_careSection;
}

QWidget *PlantFormView::createNotesSection()
{
    const Theme &t = Theme::current();
    auto *section = new InsetSection(tr("Notes"));
    section->setObjectName(QStringLiteral("notesSection"));
    m_notesEditor = new NotesEditor(tr("Pot size, where you bought it, quirks\u2026"));
    m_notesEditor->setObjectName(QStringLiteral("notesEditor"));
    auto *row = new ListRow;
    row->setObjectName(QStringLiteral("notesRow"));
    m_notesEditor->setParent(row);
    row->setContent(m_notesEditor);
    row->contentLayout()->setContentsMargins(t.list.rowPaddingH, t.list.rowPaddingV, t.list.rowPaddingH - 4,
                                             t.list.rowPaddingV);
    row->setFocusProxy(m_notesEditor);
    // Keep the editor's full height when the form scrolls (the row's own minimum is one line).
    row->setMinimumHeight(0);
    section->addRow(row);
    connect(m_notesEditor, &NotesEditor::notesChanged, this, [this] { m_notes = m_notesEditor->notes(); });
    return section;
}

void PlantFormView::attachToolbar()
{
    if (m_toolbarAttached)
        return;
    NavigationStack *stack = NavigationStack::of(this);
    NavigationItem *item = stack ? stack->item(this) : nullptr;
    if (!item)
        return;
    m_toolbarAttached = true;
    item->setTitle(title());
    item->setLargeTitle(false);
    if (m_showsCancel)
        item->addLeading(m_cancelButton);
    item->addTrailing(m_confirmButton);
}

void PlantFormView::fillRoomMenu()
{
    m_roomMenu->clear();
    for (const QString &room : siteOptions()) {
        // Plain text: a room named "&Garden" must not become a mnemonic.
        QAction *action = m_roomMenu->addAction(Formatting::mnemonicEscaped(room));
        action->setData(room);
        connect(action, &QAction::triggered, this, [this, room] {
            m_site = room;
            m_roomField->setText(room);
            refreshConfirm();
        });
    }
}

void PlantFormView::showWorkingCopy()
{
    const Species shownSpecies = species();
    m_commonName->setText(shownSpecies.commonName);
    m_scientificName->setText(shownSpecies.scientificName);
    m_photoView->setSpecies(shownSpecies);
    if (m_nameField->text() != m_name)
        m_nameField->setText(m_name);
    m_nameField->setPlaceholderText(shownSpecies.commonName);
    if (m_roomField->text() != m_site)
        m_roomField->setText(m_site);
    m_notesEditor->setNotes(m_notes);
    for (IntervalRow *row : std::as_const(m_intervalRows))
        row->refresh();
    m_careSection->setFooter(shownSpecies.id == Species::custom().id
                                 ? QString()
                                 : tr("Suggested for %1. Adjust to match your home's light and season.")
                                       .arg(shownSpecies.commonName));
    refreshPhoto();
    refreshLastWatered();
    refreshConfirm();
}

void PlantFormView::refreshPhoto()
{
    m_photoView->setPhoto(m_photo);
    m_photoButton->setText(m_photo ? tr("Change") : tr("Add Photo"));
    m_removePhotoButton->setVisible(m_photo.has_value());
    m_photoRow->setAccessibleDescription(m_photo ? tr("Has a photo") : tr("No photo"));
}

void PlantFormView::refreshConfirm()
{
    m_confirmButton->setEnabled(canSave());
}

void PlantFormView::refreshLastWatered()
{
    const Calendar &calendar = Calendar::current();
    m_lastWateredPicker->setMaximumDate(calendar.localDate(calendar.now()));
    m_lastWateredPicker->setDate(calendar.localDate(m_lastWatered));
    m_lastWateredRow->setVisible(m_mode.isNew() && interval(CareKind::water) >= 1);
}

void PlantFormView::setProcessingPhoto(bool processing)
{
    m_isProcessingPhoto = processing;
    m_busy->setVisible(processing);
    m_busy->raise();
    refreshConfirm();
}

void PlantFormView::finishImport(quint64 serial, std::optional<std::optional<QByteArray>> result)
{
    if (serial != m_importSerial)
        return;
    // No result: the file could not be read and the photo stays. A result of none: the bytes were
    // not a picture, and the form is left without a photo.
    if (result)
        m_photo = std::move(*result);
    setProcessingPhoto(false);
    refreshPhoto();
    emit photoImportFinished();
}

void PlantFormView::pickLastWateredDate(QDate date)
{
    const Calendar &calendar = Calendar::current();
    const QDate createdDay = calendar.localDate(m_createdAt);
    // The chosen day at the time of day the form was opened, so a watering logged for today is
    // the moment the user added the plant; never later than now.
    std::optional<QDateTime> moved = calendar.addingDays(m_createdAt, createdDay.daysTo(date));
    if (!moved)
        return;
    const QDateTime now = calendar.now();
    m_lastWatered = *moved > now ? now : *moved;
    refreshLastWatered();
}

Plant *PlantFormView::editedPlant() const
{
    Plant *plant = m_mode.plant();
    // A plant deleted from the store is dropped from it at once, before the object goes.
    return plant && m_store.plant(plant->id()) == plant ? plant : nullptr;
}

void PlantFormView::finish()
{
    m_finished = true;
    ++m_importSerial;
    refreshConfirm();
    if (m_onFinish) {
        // onFinish usually closes the form's container, which may delete this form.
        const auto onFinish = m_onFinish;
        onFinish();
    }
}
