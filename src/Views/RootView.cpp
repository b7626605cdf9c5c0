#include "Views/RootView.h"

#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Models/CareTask.h"
#include "Models/Plant.h"
#include "Platform/Preferences.h"
#include "Services/ReminderRun.h"
#include "Services/ReminderScheduler.h"
#include "Store/ModelStore.h"
#include "Store/PlantQuery.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Sheet.h"
#include "Views/Components/Sidebar.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/Explore/ExploreView.h"
#include "Views/Plants/AddPlantFlow.h"
#include "Views/Plants/PlantDetailView.h"
#include "Views/Plants/PlantsView.h"
#include "Views/State/AppState.h"
#include "Views/Today/TodayView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QStackedWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

struct TabInfo
{
    AppTab tab;
    const char *title;
    const char *symbol;
};

constexpr TabInfo tabInfos[] = {
    {AppTab::today, "Today", "checklist"},
    {AppTab::plants, "My Plants", "leaf"},
    {AppTab::explore, "Explore", "books.vertical"},
};

int tabIndex(AppTab tab)
{
    for (int i = 0; i < int(std::size(tabInfos)); ++i) {
        if (tabInfos[i].tab == tab)
            return i;
    }
    return -1;
}

// Seconds since the epoch in the shortest decimal that reads back to the same double, always
// with a fractional part ("1733529600.0").
QString secondsText(const std::optional<QDateTime> &due)
{
    if (!due)
        return QStringLiteral("0.0");
    const double seconds = double(due->toMSecsSinceEpoch()) / 1000.0;
    QString text = QString::number(seconds, 'f', QLocale::FloatingPointShortest);
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

// The reason behind a banner, on hover and for assistive technology. Reasons quote SQLite, which
// quotes names from the file, so they are always shown as plain text, never as markup.
void setBannerReason(QWidget *banner, const QString &reason)
{
    const QString toolTip =
        reason.isEmpty() ? QString() : Qt::convertFromPlainText(reason, Qt::WhiteSpaceNormal);
    banner->setToolTip(toolTip);
    for (QWidget *child : banner->findChildren<QWidget *>())
        child->setToolTip(toolTip);
    banner->setAccessibleDescription(reason);
}

} // namespace

RootView::RootView(ModelStore &store, AppState &state, Preferences &preferences, QWidget *parent)
    : QWidget(parent), m_store(store), m_state(state), m_preferences(preferences),
      m_plants(new PlantQuery(store, PlantQuery::Sort::none, this)), m_sidebar(new Sidebar(this)),
      m_tabs(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("rootView"));
    setMinimumSize(760, 520);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    if (!m_store.isPersistent()) {
        m_banner = createBanner(
            QStringLiteral("storeBanner"),
            QStringLiteral("Tendrel couldn't open your saved plants. Changes you make now won't be kept."));
        setBannerReason(m_banner, m_store.notPersistentReason());
        outer->addWidget(m_banner);
    }
    m_saveBanner = createBanner(QStringLiteral("saveBanner"),
                                QStringLiteral("Tendrel couldn't save your latest changes."));
    outer->addWidget(m_saveBanner);
    saveErrorChanged();
    connect(&m_store, &ModelStore::saveErrorChanged, this, &RootView::saveErrorChanged);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    outer->addLayout(row, 1);
    row->addWidget(m_sidebar);
    row->addWidget(m_tabs, 1);

    // The sidebar's items first, so Tab walks them top to bottom before the tab's content.
    for (const TabInfo &info : tabInfos)
        m_sidebar->addItem(QString::fromLatin1(info.symbol), QString::fromLatin1(info.title));
    for (const TabInfo &info : tabInfos) {
        auto *stack = new NavigationStack(m_tabs);
        stack->setObjectName(QStringLiteral("stack-") +
                             QString::fromLatin1(info.title).toLower().remove(QLatin1Char(' ')));
        stack->setRoot(createScreen(info.tab), QString::fromLatin1(info.title));
        m_stacks.append(stack);
        m_tabs->addWidget(stack);
    }
    selectTab(m_state.selectedTab());

    connect(m_sidebar, &Sidebar::currentChanged, this, [this](int index) {
        if (index >= 0 && index < int(std::size(tabInfos)))
            m_state.setSelectedTab(tabInfos[index].tab);
    });
    connect(m_sidebar, &Sidebar::currentReselected, this, [this](int index) {
        if (index >= 0 && index < int(std::size(tabInfos)))
            m_state.showTabStart(tabInfos[index].tab);
    });
    connect(&m_state, &AppState::selectedTabChanged, this, &RootView::selectTab);
    connect(&m_state, &AppState::tabStartRequested, this, &RootView::showTabStart);
    connect(&m_state, &AppState::addingPlantChanged, this, &RootView::addingPlantChanged);
    connect(m_plants, &PlantQuery::changed, this, &RootView::plantsChanged);
    connect(&m_preferences, &Preferences::changed, this, &RootView::updateSignature);
    connect(&DayClock::instance(), &DayClock::dayChanged, this, [this] {
        updateBadge();
        // The fourteen-day window moved on: plan the new last day.
        rescheduleOnActivation();
    });
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState appState) {
        if (appState == Qt::ApplicationActive && m_appeared)
            rescheduleOnActivation();
    });

    updateBadge();
    if (m_state.isAddingPlant())
        addingPlantChanged(true);
}

RootView::~RootView()
{
    if (m_keyedRun)
        m_keyedRun->cancel();
}

QString RootView::scheduleSignature(const QList<Plant *> &plants, bool remindersEnabled, int reminderMinutes)
{
    return scheduleSignature(plants, remindersEnabled, reminderMinutes, Calendar::current());
}

QString RootView::scheduleSignature(const QList<Plant *> &plants, bool remindersEnabled, int reminderMinutes,
                                    const Calendar &calendar)
{
    struct Piece
    {
        QString text;
        QString key; // the text in NFC, as plain text order compares it
    };
    std::vector<Piece> pieces;
    for (const Plant *plant : plants) {
        const QList<CareKind> kinds = plant->enabledKinds();
        if (kinds.isEmpty())
            continue;
        // Normalised once per plant; the rest of each piece is ASCII, which NFC leaves alone.
        const QString name = plant->name();
        const QString normalized = name.normalized(QString::NormalizationForm_C);
        for (CareKind kind : kinds) {
            const QString rest = kind.rawValue() + secondsText(plant->nextDue(kind, calendar));
            pieces.push_back({name + rest, normalized + rest});
        }
    }
    // Plain text order, ties between spellings of one name by their code points, so the result
    // does not depend on the order of the plants.
    std::sort(pieces.begin(), pieces.end(), [](const Piece &a, const Piece &b) {
        if (const int order = compareCodePoints(a.key, b.key))
            return order < 0;
        return compareCodePoints(a.text, b.text) < 0;
    });
    QString signature = (remindersEnabled ? QStringLiteral("true") : QStringLiteral("false")) +
                        QLatin1Char('|') + QString::number(reminderMinutes) + QLatin1Char('|');
    for (const Piece &piece : pieces)
        signature += piece.text;
    return signature;
}

int RootView::todayBadge() const
{
    return int(CareTask::tasks(m_plants->plants(), 0).size());
}

NavigationStack *RootView::navigationStack(AppTab tab) const
{
    const int index = tabIndex(tab);
    return index >= 0 ? m_stacks.value(index) : nullptr;
}

void RootView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    m_signature = scheduleSignature(m_plants->plants(), m_preferences.remindersEnabled(),
                                    m_preferences.reminderMinutes());
    startKeyedRun();
}

void RootView::plantsChanged()
{
    updateBadge();
    updateSignature();
}

void RootView::updateBadge()
{
    const int due = todayBadge();
    m_sidebar->setBadge(tabIndex(AppTab::today), due,
                        due == 1 ? tr("1 task due") : tr("%1 tasks due").arg(due));
}

void RootView::updateSignature()
{
    // The first appearance takes the signature of that moment.
    if (!m_appeared)
        return;
    const QString signature = scheduleSignature(m_plants->plants(), m_preferences.remindersEnabled(),
                                                m_preferences.reminderMinutes());
    if (signature == m_signature)
        return;
    m_signature = signature;
    startKeyedRun();
}

void RootView::startKeyedRun()
{
    if (m_keyedRun)
        m_keyedRun->cancel();
    m_keyedRun = ReminderScheduler::reschedule(m_plants->plants(), m_preferences.remindersEnabled(),
                                               m_preferences.reminderMinutes());
    ++m_runCount;
}

void RootView::rescheduleOnActivation()
{
    // Not tied to the signature: it may overlap a keyed run, which the scheduler tolerates.
    ReminderScheduler::reschedule(m_plants->plants(), m_preferences.remindersEnabled(),
                                  m_preferences.reminderMinutes());
    ++m_runCount;
}

void RootView::selectTab(AppTab tab)
{
    const int index = tabIndex(tab);
    if (index < 0)
        return;
    m_tabs->setCurrentIndex(index);
    m_sidebar->setCurrentIndex(index);
}

void RootView::showTabStart(AppTab tab)
{
    NavigationStack *stack = navigationStack(tab);
    // A sheet open over the window belongs to a page of it (editing a plant, adding a species):
    // the pages stay while it is open.
    if (!stack || Sheet::topmost(window()))
        return;
    stack->popToRoot();
}

void RootView::addingPlantChanged(bool adding)
{
    if (adding) {
        if (m_sheet && !m_sheet->isDismissed())
            return;
        m_sheet =
            Sheet::present(window(), createAddPlantContent(), [this] { m_state.setAddingPlant(false); });
    } else if (m_sheet && !m_sheet->isDismissed()) {
        m_sheet->dismiss();
    }
}

QWidget *RootView::createScreen(AppTab tab)
{
    if (tab == AppTab::today) {
        auto *today = new TodayView(m_store, m_state);
        connect(today, &TodayView::plantChosen, this,
                [this](Plant *plant) { openPlant(AppTab::today, plant); });
        return today;
    }
    if (tab == AppTab::plants) {
        auto *plants = new PlantsView(m_store, m_state);
        connect(plants, &PlantsView::plantChosen, this,
                [this](Plant *plant) { openPlant(AppTab::plants, plant); });
        return plants;
    }
    auto *explore = new ExploreView(m_store);
    // A plant just added from the catalog is shown where plants live.
    connect(explore, &ExploreView::plantChosen, this, [this](Plant *plant) {
        m_state.setSelectedTab(AppTab::plants);
        if (NavigationStack *stack = navigationStack(AppTab::plants))
            stack->popToRoot();
        openPlant(AppTab::plants, plant);
    });
    return explore;
}

void RootView::openPlant(AppTab tab, Plant *plant)
{
    NavigationStack *stack = navigationStack(tab);
    // A second click while the detail slides in, or a plant already gone, opens nothing.
    if (!stack || !plant || stack->currentPage() != stack->page(0) || m_store.plant(plant->id()) != plant)
        return;
    stack->push(new PlantDetailView(m_store, plant), plant->name());
}

QWidget *RootView::createAddPlantContent()
{
    return new AddPlantFlow(m_store, [this] { m_state.setAddingPlant(false); });
}

QWidget *RootView::createBanner(const QString &objectName, const QString &text)
{
    auto *banner = new QWidget(this);
    banner->setObjectName(objectName);
    banner->setAutoFillBackground(true);
    Theme::follow(banner, [banner] {
        QPalette palette = banner->palette();
        palette.setColor(QPalette::Window, Theme::withAlpha(Theme::current().colors.orange, 0.18));
        banner->setPalette(palette);
    });
    auto *layout = new QHBoxLayout(banner);
    layout->setContentsMargins(16, 8, 16, 8);
    layout->setSpacing(8);
    auto *symbol =
        new SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 18, &ThemeColors::orange, banner);
    layout->addWidget(symbol);
    auto *label = new TextLabel(text, TextStyle::subheadline, banner);
    label->setWordWrap(true);
    layout->addWidget(label, 1);
    banner->setAccessibleName(text);
    return banner;
}

void RootView::saveErrorChanged()
{
    setBannerReason(m_saveBanner, m_store.saveError());
    m_saveBanner->setVisible(!m_store.saveError().isEmpty());
}
