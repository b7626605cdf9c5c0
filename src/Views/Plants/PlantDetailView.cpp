#include "Views/Plants/PlantDetailView.h"

#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Core/Formatting.h"
#include "Models/CareEvent.h"
#include "Models/Plant.h"
#include "Models/Species.h"
#include "Store/ModelStore.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/AdaptiveGridLayout.h"
#include "Views/Components/ContextMenu.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InfoTile.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Painting.h"
#include "Views/Components/PhotoCreditLabel.h"
#include "Views/Components/PlantPhotoView.h"
#include "Views/Components/RoundedCard.h"
#include "Views/Components/ScrollColumn.h"
#include "Views/Components/SectionHeaderStyle.h"
#include "Views/Components/Shapes.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/SuccessFeedback.h"
#include "Views/Components/SymbolLabel.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Plants/CareCard.h"
#include "Views/Plants/HistoryRow.h"
#include "Views/Plants/PlantFormView.h"
#include "Views/Plants/TipLabelStyle.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr qreal heroSymbolScale = 0.3;
constexpr int infoColumnMinimum = 150;
constexpr int infoSpacing = 12;
constexpr int sectionSpacing = 12;

// The text block over the lower edge of the picture.
struct HeroStyle
{
    qreal radius = 28;
    int padding = 20;
    int spacing = 4;
    int roomSpaceAbove = 4;
    int roomPaddingH = 10;
    int roomPaddingV = 5;
    qreal speciesOpacity = 0.9;
    QColor text;     // white over any picture
    QColor roomFill; // the room's frosted capsule, light glass over the dark scrim
    QColor roomBorder;
    QColor scrimTop;    // clear at the top of the block...
    QColor scrimBottom; // ...to black at the bottom, so white text reads on light photos
};

HeroStyle heroStyle()
{
    HeroStyle style;
    style.text = Theme::current().colors.onAccent;
    style.scrimTop = QColor(0, 0, 0, 0);
    style.scrimBottom = Theme::withAlpha(Qt::black, 0.55);
    style.roomFill = Theme::withAlpha(Qt::white, 0.2);
    style.roomBorder = Theme::withAlpha(Qt::white, 0.3);
    return style;
}

// The picture with the caption laid over its lower edge: the picture fills the frame, the
// caption takes the full width and the height it needs, at the bottom.
class HeroPicture final : public QWidget
{
public:
    HeroPicture(PlantPhotoView *photo, QWidget *caption, QWidget *parent)
        : QWidget(parent), m_photo(photo), m_caption(caption)
    {
        setObjectName(QStringLiteral("detailHeroPicture"));
        photo->setParent(this);
        caption->setParent(this);
        caption->raise();
        setFixedHeight(PlantDetailView::heroHeight);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {PlantDetailView::heroHeight, PlantDetailView::heroHeight}; }
    QSize minimumSizeHint() const override { return {0, PlantDetailView::heroHeight}; }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            place();
        return QWidget::event(event);
    }

private:
    void place()
    {
        m_photo->setGeometry(rect());
        const int captionHeight = qMin(height(), m_caption->sizeHint().height());
        m_caption->setGeometry(0, height() - captionHeight, width(), captionHeight);
    }

    PlantPhotoView *m_photo;
    QWidget *m_caption;
};

// The text block: white text on a scrim from clear to black, the room on a frosted capsule.
class HeroCaption final : public QWidget
{
public:
    explicit HeroCaption(QWidget *parent = nullptr) : QWidget(parent)
    {
        setObjectName(QStringLiteral("detailHeroCaption"));
    }

    void setCapsule(QWidget *room) { m_room = room; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const HeroStyle style = heroStyle();
        QPainter p(this);
        Painting::setHighQuality(p);
        QLinearGradient scrim(0, 0, 0, height());
        scrim.setColorAt(0, style.scrimTop);
        scrim.setColorAt(1, style.scrimBottom);
        p.fillPath(Shapes::continuousRoundedRect(QRectF(rect()), style.radius, Shapes::bottomCorners), scrim);
        if (m_room && m_room->isVisible()) {
            const QRectF capsule = QRectF(m_room->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
            Painting::drawGlass(p, Shapes::capsule(capsule), style.roomFill, style.roomBorder, std::nullopt,
                                0);
        }
    }

private:
    QWidget *m_room = nullptr;
};

QWidget *sectionColumn(const QString &objectName, const QString &title, QVBoxLayout **layout)
{
    auto *section = new QWidget;
    section->setObjectName(objectName);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(sectionSpacing);
    column->addWidget(sectionHeader(title, section));
    *layout = column;
    return section;
}

TextLabel *secondaryText(const QString &objectName, QWidget *parent)
{
    auto *label = new TextLabel({}, TextStyle::body, parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    return label;
}

// The newest limit entries of the log, newest first; entries of equal date keep their log order.
QList<const CareEvent *> mostRecent(const Plant &plant, int limit)
{
    const QList<CareEvent *> log = plant.events();
    std::vector<qsizetype> order(size_t(log.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    const size_t count = std::min(order.size(), size_t(limit));
    std::partial_sort(order.begin(), order.begin() + qsizetype(count), order.end(),
                      [&log](qsizetype a, qsizetype b) {
                          const qint64 dateA = log[a]->dateMsecs();
                          const qint64 dateB = log[b]->dateMsecs();
                          return dateA != dateB ? dateA > dateB : a < b;
                      });
    QList<const CareEvent *> result;
    result.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        result.append(log[order[i]]);
    return result;
}

} // namespace

PlantDetailView::PlantDetailView(ModelStore &store, Plant *plant, QWidget *parent)
    : QWidget(parent), m_store(store), m_plant(plant), m_plantId(plant ? plant->id() : 0),
      m_scroll(new ScrollColumn(this))
{
    setObjectName(QStringLiteral("plantDetailView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
    m_scroll->setObjectName(QStringLiteral("detailScroll"));
    m_scroll->setSpacing(28);
    m_scroll->setMaximumColumnWidth(maximumColumnWidth);

    m_scroll->addWidget(createHero());
    m_scroll->addWidget(createCareSection());
    m_scroll->addWidget(createAboutSection());
    m_scroll->addWidget(createTipsSection());
    m_scroll->addWidget(createNotesSection());
    m_scroll->addWidget(createHistorySection());
    createActions();

    // Several changes in one turn (a form saving every field) redraw once.
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { refresh(); });
    if (plant) {
        connect(plant, &Plant::changed, this, [this] { m_refreshTimer.start(); });
        // Without touching the store: it may be going away itself.
        connect(plant, &QObject::destroyed, this, &PlantDetailView::leave);
    }
    connect(&m_store, &ModelStore::plantsChanged, this, &PlantDetailView::checkPlantStillThere);
    connect(&DayClock::instance(), &DayClock::dayChanged, this, [this] { refresh(); });

    applyColors();
    refresh();
}

PlantDetailView::~PlantDetailView() = default;

QList<HistoryRow *> PlantDetailView::historyRows() const
{
    return m_rows.mid(0, m_shownRows);
}

// The user's writes. Each is one step, so it can be undone as one.

void PlantDetailView::logCare(CareKind kind)
{
    if (isPlantGone())
        return;
    GardenHistory::of(m_store).logCare(m_plant, kind);
    ++m_completions;
    SuccessFeedback::play(this);
    emit completionsChanged(m_completions);
    // The card and the history follow at once; the gauge springs to its new value.
    refresh(true);
}

void PlantDetailView::undoEntry(RecordId eventId)
{
    if (isPlantGone())
        return;
    // Redo takes the entry away again; undo puts the same entry back where it was.
    if (m_plant->indexOfEvent(eventId) < 0)
        return;
    GardenHistory::of(m_store).removeEntry(m_plant, eventId);
    refresh(true);
}

void PlantDetailView::deletePlant()
{
    Plant *plant = m_plant;
    const bool gone = isPlantGone();
    leave();
    if (!gone)
        GardenHistory::of(m_store).deletePlant(plant);
}

void PlantDetailView::edit()
{
    if (isPlantGone() || m_leaving || (m_editSheet && !m_editSheet->isDismissed()))
        return;
    // The sheet closes itself even if this screen is gone by then.
    const QPointer<PlantDetailView> self(this);
    auto editor = std::make_shared<QPointer<PlantFormView>>();
    auto *form = new PlantFormView(m_store, PlantFormView::Mode::edit(m_plant), true, [self, editor] {
        if (Sheet *sheet = *editor ? Sheet::of(*editor) : nullptr)
            sheet->dismiss();
        // Saved or not, the screen shows the plant as it now is.
        if (self)
            self->refresh();
    });
    *editor = form;
    form->setObjectName(QStringLiteral("detailEditForm"));
    m_editSheet = Sheet::present(window(), PlantFormView::inNavigationStack(form));
}

void PlantDetailView::confirmDelete()
{
    if (isPlantGone() || m_leaving)
        return;
    const int choice = MessageBox::confirm(this, tr("Delete %1?").arg(Formatting::isolated(m_plant->name())),
                                           tr("Its care history will be removed too."),
                                           {{tr("Delete"), MessageBox::Role::destructive}});
    if (choice == 0)
        deletePlant();
}

void PlantDetailView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    const QEvent::Type type = event->type();
    if (type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange ||
        type == QEvent::StyleChange)
        applyColors();
}

QWidget *PlantDetailView::createHero()
{
    const HeroStyle style = heroStyle();
    const Species &species = m_plant ? Species::find(m_plant->speciesID()) : Species::custom();

    auto *hero = new QWidget;
    hero->setObjectName(QStringLiteral("detailHero"));
    auto *column = new QVBoxLayout(hero);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    m_photo = new PlantPhotoView(std::nullopt, species, heroSymbolScale);
    m_photo->setCornerRadius(style.radius);

    auto *caption = new HeroCaption;
    auto *texts = new QVBoxLayout(caption);
    texts->setContentsMargins(style.padding, style.padding, style.padding, style.padding);
    texts->setSpacing(style.spacing);
    m_heroName = new TextLabel({}, TextStyle::largeTitle, caption);
    m_heroName->setObjectName(QStringLiteral("detailHeroName"));
    m_heroName->setTextStyle(TextStyle::largeTitle, QFont::Bold);
    m_heroName->setElided(true);
    m_heroSpecies = new TextLabel({}, TextStyle::subheadline, caption);
    m_heroSpecies->setObjectName(QStringLiteral("detailHeroSpecies"));
    m_heroSpecies->setElided(true);
    m_heroRoom = new SymbolLabel(QStringLiteral("house"), {}, TextStyle::caption, caption);
    m_heroRoom->setObjectName(QStringLiteral("detailHeroRoom"));
    m_heroRoom->setTextStyle(TextStyle::caption, QFont::DemiBold);
    m_heroRoom->setContentsMargins(style.roomPaddingH, style.roomPaddingV, style.roomPaddingH,
                                   style.roomPaddingV);
    m_heroRoom->textLabel()->setElided(true);
    m_heroRoom->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    caption->setCapsule(m_heroRoom);
    texts->addWidget(m_heroName);
    texts->addWidget(m_heroSpecies);
    texts->addSpacing(style.roomSpaceAbove);
    texts->addWidget(m_heroRoom, 0, Qt::AlignLeading);

    column->addWidget(new HeroPicture(m_photo, caption, hero));

    m_creditRow = new QWidget(hero);
    auto *creditLayout = new QHBoxLayout(m_creditRow);
    creditLayout->setContentsMargins(6, 0, 6, 0);
    m_credit = new PhotoCreditLabel(species, m_creditRow);
    m_credit->setObjectName(QStringLiteral("detailCredit"));
    creditLayout->addWidget(m_credit);
    column->addWidget(m_creditRow);
    return hero;
}

QWidget *PlantDetailView::createCareSection()
{
    QWidget *section = sectionColumn(QStringLiteral("detailCare"), tr("Care Schedule"), &m_careLayout);
    m_noCare = secondaryText(QStringLiteral("detailNoCare"), section);
    m_noCare->setText(tr("No care reminders. Edit this plant to set a schedule."));
    m_careLayout->addWidget(m_noCare);
    return section;
}

QWidget *PlantDetailView::createAboutSection()
{
    QVBoxLayout *layout = nullptr;
    QWidget *section = sectionColumn(QStringLiteral("detailAbout"), tr("About"), &layout);
    m_aboutSection = section;
    m_summary = secondaryText(QStringLiteral("detailSummary"), section);
    layout->addWidget(m_summary);
    // Balanced, so four tiles never lie three and one.
    auto *grid =
        new AdaptiveGridLayout(infoColumnMinimum, AdaptiveColumns::unlimited, infoSpacing, infoSpacing);
    grid->setBalanced(true);
    const Theme &theme = Theme::current();
    m_tiles = {
        new InfoTile(tr("Light"), {}, QStringLiteral("sun.max"), theme.colors.yellow),
        new InfoTile(tr("Humidity"), {}, QStringLiteral("humidity"), theme.colors.teal),
        new InfoTile(tr("Difficulty"), {}, QStringLiteral("gauge.with.dots.needle.33percent"),
                     theme.colors.purple),
        new InfoTile(tr("Pets"), {}, QStringLiteral("pawprint.fill"), theme.colors.green),
    };
    for (InfoTile *tile : m_tiles)
        grid->addWidget(tile);
    layout->addLayout(grid);
    return section;
}

QWidget *PlantDetailView::createTipsSection()
{
    QVBoxLayout *layout = nullptr;
    m_tipsSection = sectionColumn(QStringLiteral("detailTips"), tr("Tips"), &layout);
    auto *panel = new RoundedCard(Theme::current().panel, m_tipsSection);
    panel->setObjectName(QStringLiteral("detailTipsPanel"));
    panel->setAccessibleName(tr("Tips"));
    Accessibility::setRole(panel, QAccessible::List);
    panel->setPadding(16);
    panel->contentLayout()->setSpacing(12);
    m_tipsLayout = panel->contentLayout();
    layout->addWidget(panel);
    return m_tipsSection;
}

QWidget *PlantDetailView::createNotesSection()
{
    QVBoxLayout *layout = nullptr;
    m_notesSection = sectionColumn(QStringLiteral("detailNotes"), tr("Notes"), &layout);
    auto *panel = new RoundedCard(Theme::current().panel, m_notesSection);
    panel->setObjectName(QStringLiteral("detailNotesPanel"));
    panel->setPadding(16);
    m_notes = new TextLabel({}, TextStyle::body, panel);
    m_notes->setObjectName(QStringLiteral("detailNotesText"));
    m_notes->setWordWrap(true);
    // Selectable, which also lets a word longer than the line break anywhere.
    m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QSizePolicy policy = m_notes->sizePolicy(); // keeps the height-for-width of wrapped text
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    m_notes->setSizePolicy(policy);
    panel->contentLayout()->addWidget(m_notes);
    layout->addWidget(panel);
    return m_notesSection;
}

QWidget *PlantDetailView::createHistorySection()
{
    QVBoxLayout *layout = nullptr;
    QWidget *section = sectionColumn(QStringLiteral("detailHistory"), tr("History"), &layout);
    m_historyEmpty = secondaryText(QStringLiteral("detailHistoryEmpty"), section);
    m_historyEmpty->setText(tr("Care you log will show up here."));
    layout->addWidget(m_historyEmpty);
    m_historyPanel = new RoundedCard(Theme::current().panel, section);
    m_historyPanel->setObjectName(QStringLiteral("detailHistoryPanel"));
    m_historyPanel->setPadding(0);
    m_historyPanel->contentLayout()->setSpacing(0);
    m_historyPanel->setAccessibleName(tr("History"));
    Accessibility::setRole(m_historyPanel, QAccessible::List);
    layout->addWidget(m_historyPanel);
    m_historyFooter = new TextLabel(tr("Right-click an entry to undo it."), TextStyle::caption, section);
    m_historyFooter->setObjectName(QStringLiteral("detailHistoryFooter"));
    m_historyFooter->setWordWrap(true);
    layout->addWidget(m_historyFooter);
    return section;
}

void PlantDetailView::createActions()
{
    m_actions = GlassButton::circular(QStringLiteral("ellipsis"), std::nullopt, 32, tr("Actions"), this);
    m_actions->setObjectName(QStringLiteral("detailActionsButton"));
    m_actions->setToolTip(tr("Actions"));
    m_actions->hide();
    const QList<ContextMenu::Item> items{
        {tr("Edit"), QStringLiteral("pencil"), [this] { edit(); }},
        ContextMenu::separator(),
        {tr("Delete Plant"), QStringLiteral("trash"), [this] { confirmDelete(); },
         ContextMenu::Role::destructive},
    };
    m_actions->setMenu(ContextMenu::build(items, m_actions));
    NavigationStack::whenPlaced(
        this, [this](NavigationStack *, NavigationItem *item) { item->addTrailing(m_actions); });
}

void PlantDetailView::refresh(bool animated)
{
    m_refreshTimer.stop();
    if (m_leaving)
        return;
    if (isPlantGone()) {
        leave();
        return;
    }
    refreshIdentity();
    refreshCare(animated);
    refreshHistory();
}

void PlantDetailView::refreshIdentity()
{
    const Plant &plant = *m_plant;
    const QString name = plant.name();
    if (m_heroName->text() != name) {
        m_heroName->setText(name);
        if (NavigationStack *stack = NavigationStack::of(this)) {
            if (NavigationItem *item = stack->item(this))
                item->setTitle(name);
        }
    }
    if (m_shownSpecies != plant.speciesID() || m_heroSpecies->text().isEmpty())
        refreshSpecies();
    if (m_heroRoom->text() != plant.site()) {
        m_heroRoom->setText(plant.site());
        m_heroRoom->setAccessibleName(tr("Room: %1").arg(Formatting::isolated(plant.site())));
    }
    // Reading a stored photo is a trip to the store, and most changes are care being logged: the
    // bytes are read again only when the photo changed.
    if (!m_shownPhotoRevision || *m_shownPhotoRevision != plant.photoRevision()) {
        m_shownPhotoRevision = plant.photoRevision();
        m_photo->setPhoto(plant.photo());
    }
    // The picture at the top says what it shows: the plant's own photo, its species' photo, or
    // the species' drawing or the leaf that stands in for a photo not taken yet.
    QString pictureName;
    if (plant.hasPhoto())
        pictureName = tr("Photo of %1").arg(Formatting::isolated(name));
    else if (m_photo->backdrop() == PlantPhotoView::Backdrop::speciesImage)
        pictureName = tr("Species photo: %1").arg(m_photo->species().commonName);
    else if (m_photo->backdrop() == PlantPhotoView::Backdrop::illustration)
        pictureName = tr("Drawing of %1").arg(m_photo->species().commonName);
    else
        pictureName = tr("No photo of %1").arg(Formatting::isolated(name));
    if (m_photo->accessibleName() != pictureName)
        m_photo->setAccessibleName(pictureName);
    // The credit belongs under the species picture, shown only when the plant has no photo.
    m_creditRow->setVisible(!plant.hasPhoto() && m_credit->line().has_value());

    const QString notes = plant.notes();
    m_notesSection->setVisible(!notes.isEmpty());
    if (m_notes->text() != notes)
        m_notes->setText(notes);
}

void PlantDetailView::refreshSpecies()
{
    const Species &species = Species::find(m_plant->speciesID());
    m_shownSpecies = m_plant->speciesID();
    const QChar dot(0x00B7);
    m_heroSpecies->setText(species.commonName + QLatin1Char(' ') + dot + QLatin1Char(' ') +
                           species.scientificName);
    m_photo->setSpecies(species);
    m_credit->setSpecies(species);

    // The custom species' values are placeholders, not facts about the plant: it has no About.
    m_aboutSection->setVisible(species.id != Species::custom().id);
    m_summary->setText(species.summary);
    const Theme &theme = Theme::current();
    m_tiles[0]->setValue(species.light.label());
    m_tiles[0]->setSymbol(species.light.symbol());
    m_tiles[1]->setValue(species.humidity);
    m_tiles[2]->setValue(species.difficulty.label());
    m_tiles[3]->setValue(species.petSafetyLabel());
    m_tiles[3]->setSymbol(species.petSafetySymbol());
    m_tiles[3]->setTint(theme.color(species.petSafetyTint()));

    while (QLayoutItem *item = m_tipsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (qsizetype i = 0; i < species.tips.size(); ++i) {
        const QString &tip = species.tips[i];
        auto *label = tipLabelStyle(new SymbolLabel(QStringLiteral("lightbulb.fill"), tip, TextStyle::body));
        label->setObjectName(QStringLiteral("detailTip"));
        // Read as the species page reads its tips.
        label->setAccessibleName(tr("Tip %1: %2").arg(QString::number(i + 1), tip));
        m_tipsLayout->addWidget(label);
    }
    m_tipsSection->setVisible(!species.tips.isEmpty());
}

void PlantDetailView::refreshCare(bool animated)
{
    const QList<CareKind> kinds = m_plant->enabledKinds();
    bool sameKinds = kinds.size() == m_cards.size();
    for (qsizetype i = 0; sameKinds && i < kinds.size(); ++i)
        sameKinds = kinds[i] == m_cards[i]->kind();
    if (!sameKinds) {
        qDeleteAll(m_cards);
        m_cards.clear();
        for (CareKind kind : kinds) {
            auto *card = new CareCard(m_plant, kind);
            connect(card, &CareCard::doneRequested, this, [this, kind] { logCare(kind); });
            m_careLayout->addWidget(card);
            m_cards.append(card);
        }
    }
    m_noCare->setVisible(kinds.isEmpty());
    const QDateTime now = Calendar::current().now();
    for (CareCard *card : std::as_const(m_cards))
        card->refresh(now, animated);
}

void PlantDetailView::refreshHistory()
{
    const QList<const CareEvent *> entries = mostRecent(*m_plant, historyLimit);
    const bool empty = entries.isEmpty();
    m_historyEmpty->setVisible(empty);
    m_historyPanel->setVisible(!empty);
    m_historyFooter->setVisible(!empty);

    const QLocale locale;
    const QTimeZone zone = Calendar::current().timeZone();
    while (m_rows.size() < entries.size()) {
        auto *row = new HistoryRow(m_historyPanel);
        connect(row, &HistoryRow::undoRequested, this, &PlantDetailView::undoEntry);
        m_historyPanel->contentLayout()->addWidget(row);
        m_rows.append(row);
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        HistoryRow *row = m_rows[i];
        if (i >= entries.size()) {
            row->hide();
            continue;
        }
        const CareEvent *entry = entries[i];
        row->setEntry(entry->id(), entry->kind(),
                      Formatting::dateFromSkeleton(entry->date(), QStringLiteral("MMMd"), locale, zone));
        row->setShowsDivider(i + 1 < entries.size());
        row->show();
    }
    m_shownRows = int(entries.size());
}

void PlantDetailView::applyColors()
{
    const Theme &theme = Theme::current();
    const HeroStyle style = heroStyle();
    m_scroll->setBackground(theme.colors.windowBackground);
    for (TextLabel *label : {m_noCare, m_summary, m_historyEmpty, m_historyFooter})
        label->setTextColor(theme.colors.secondaryLabel);
    m_notes->setTextColor(theme.colors.label);
    m_heroName->setTextColor(style.text);
    m_heroSpecies->setTextColor(style.text);
    m_heroSpecies->setOpacity(style.speciesOpacity);
    m_heroRoom->setColor(style.text);
    for (RoundedCard *panel : findChildren<RoundedCard *>(Qt::FindChildrenRecursively)) {
        if (!qobject_cast<CareCard *>(panel))
            panel->setBackground(theme.panel.background);
    }
    for (SymbolLabel *tip : m_tipsSection->findChildren<SymbolLabel *>())
        tipLabelStyle(tip);
    m_tiles[0]->setTint(theme.colors.yellow);
    m_tiles[1]->setTint(theme.colors.teal);
    m_tiles[2]->setTint(theme.colors.purple);
    if (m_plant)
        m_tiles[3]->setTint(theme.color(Species::find(m_plant->speciesID()).petSafetyTint()));
}

bool PlantDetailView::isPlantGone() const
{
    return !m_plant || m_plant->modelContext() != &m_store || m_store.plant(m_plantId) != m_plant;
}

void PlantDetailView::checkPlantStillThere()
{
    if (isPlantGone())
        leave();
}

void PlantDetailView::leave()
{
    if (m_leaving)
        return;
    m_leaving = true;
    m_refreshTimer.stop();
    if (m_editSheet && !m_editSheet->isDismissed())
        m_editSheet->dismiss();
    NavigationStack *stack = NavigationStack::of(this);
    if (stack && stack->currentPage() == this)
        stack->pop();
}
