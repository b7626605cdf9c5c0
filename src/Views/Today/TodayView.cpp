#include "Views/Today/TodayView.h"

#include "Core/Calendar.h"
#include "Core/DayClock.h"
#include "Core/Formatting.h"
#include "Models/Plant.h"
#include "Services/SampleData.h"
#include "Store/ModelStore.h"
#include "Store/PlantQuery.h"
#include "Views/Components/Accessibility.h"
#include "Views/Components/ContentUnavailableView.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/GlassButton.h"
#include "Views/Components/InputHold.h"
#include "Views/Components/NavigationStack.h"
#include "Views/Components/Painting.h"
#include "Views/Components/SlimScrollBar.h"
#include "Views/Components/Spring.h"
#include "Views/Components/SuccessFeedback.h"
#include "Views/Components/SymbolLabel.h"
#include "Views/Components/SymbolView.h"
#include "Views/Components/TextLabel.h"
#include "Views/Components/Theme.h"
#include "Views/State/AppState.h"
#include "Views/Today/TaskRow.h"
#include "Views/Today/TodayList.h"
#include "Views/Today/TodaySummaryCard.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// Asks the view to make the next rows that wait behind stand-ins.
QEvent::Type materializeEventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

} // namespace

namespace {

const QString summaryKey = QStringLiteral("summary");
const QString overdueHeaderKey = QStringLiteral("header-overdue");
const QString todayHeaderKey = QStringLiteral("header-today");
const QString nextHeaderKey = QStringLiteral("header-next");
const QString nothingDueKey = QStringLiteral("today-nothing");

QString sectionKey(TodayView::Section section)
{
    switch (section) {
    case TodayView::Section::overdue:
        return QStringLiteral("overdue");
    case TodayView::Section::today:
        return QStringLiteral("today");
    case TodayView::Section::next:
        return QStringLiteral("next");
    }
    return {};
}

QString rowKey(const CareTask::ID &id)
{
    return QStringLiteral("task-") + QString::number(id.plant) + QLatin1Char('-') + id.kind.rawValue();
}

// The hairline under a task row starts at its texts, past the thumbnail.
int rowSeparatorInset()
{
    return Theme::current().list.rowPaddingH + 48 + 14;
}

} // namespace

TodayView::TodayView(ModelStore &store, AppState &state, QWidget *parent)
    : QWidget(parent), m_store(store), m_state(state),
      m_plants(new PlantQuery(store, PlantQuery::Sort::nameAscending, this)),
      m_pages(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("todayView"));
    setAutoFillBackground(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    m_scroll = new QScrollArea(m_pages);
    m_scroll->setObjectName(QStringLiteral("todayList"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(false);
    // Tab goes from row to row; the list itself shows no focus of its own, so it is no Tab stop.
    m_scroll->setFocusPolicy(Qt::ClickFocus);
    m_scroll->viewport()->setAutoFillBackground(true);
    Theme::follow(this, [this] {
        const ThemeColors &colors = Theme::current().colors;
        QPalette background = palette();
        background.setColor(QPalette::Window, colors.windowBackground);
        setPalette(background);
        QPalette listPalette = m_scroll->palette();
        listPalette.setColor(QPalette::Window, colors.groupedBackground);
        listPalette.setColor(QPalette::Base, colors.groupedBackground);
        m_scroll->setPalette(listPalette);
        m_scroll->viewport()->setPalette(listPalette);
    });
    SlimScrollBar::apply(m_scroll);
    m_list = new TodayList;
    m_list->setAccessibleName(tr("Tasks"));
    m_scroll->setWidget(m_list);
    m_pages->addWidget(m_scroll);

    m_addPlant = new GlassButton(tr("Add Plant"), QStringLiteral("plus"), GlassButton::Style::glass, this);
    m_addPlant->setObjectName(QStringLiteral("todayAddPlantButton"));
    m_addPlant->setToolTip(tr("Add Plant"));
    m_addPlant->hide();
    connect(m_addPlant, &QAbstractButton::clicked, this, [this] { m_state.setAddingPlant(true); });

    // Several changes in one turn (a plant's own signal, then the store's) redraw once.
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TodayView::refresh);
    connect(m_plants, &PlantQuery::changed, this, &TodayView::scheduleRefresh);
    connect(&m_store, &ModelStore::eventsChanged, this, &TodayView::scheduleRefresh);
    connect(&DayClock::instance(), &DayClock::dayChanged, this, &TodayView::scheduleRefresh);

    refresh();
}

TodayView::~TodayView() = default;

ContentUnavailableView *TodayView::emptyState()
{
    // Made when first needed: a garden with plants never shows it.
    if (m_empty)
        return m_empty;
    m_empty = new ContentUnavailableView(
        QStringLiteral("leaf"), tr("Your jungle awaits"),
        tr("Add your first plant and Tendrel will tell you exactly when to water, fertilize, and mist."),
        m_pages);
    m_empty->setObjectName(QStringLiteral("todayEmptyState"));
    GlassButton *addFirst = m_empty->addAction(tr("Add a Plant"), GlassButton::Style::prominentGlass);
    addFirst->setObjectName(QStringLiteral("todayAddFirstPlantButton"));
    GlassButton *samples = m_empty->addAction(tr("Try with Sample Plants"), GlassButton::Style::glass);
    samples->setObjectName(QStringLiteral("todaySampleButton"));
    connect(addFirst, &QAbstractButton::clicked, this, [this] { m_state.setAddingPlant(true); });
    connect(samples, &QAbstractButton::clicked, this, [this, samples] {
        const bool hadFocus = samples->hasFocus();
        const bool keyboard = Painting::showsFocusRing(samples);
        GardenHistory::of(m_store).addSamplePlants();
        refresh();
        // The button went with the welcome panel: the focus moves on to the first task.
        const QList<TaskRow *> listed = rows();
        if (hadFocus && !listed.isEmpty())
            listed.first()->setFocus(keyboard ? Qt::TabFocusReason : Qt::OtherFocusReason);
    });
    m_pages->insertWidget(0, m_empty);
    return m_empty;
}

int TodayView::doneTodayCount(const QList<Plant *> &plants, const Calendar &calendar)
{
    // Calendar::isDateInToday for every event, as one range test: today's local day runs from its
    // first moment up to the first moment of tomorrow.
    const qint64 today = calendar.localJulianDay(calendar.now().toMSecsSinceEpoch());
    const std::optional<qint64> start = calendar.startOfLocalDayMsecs(today);
    const std::optional<qint64> end = calendar.startOfLocalDayMsecs(today + 1);
    if (!start || !end)
        return 0;
    int count = 0;
    for (const Plant *plant : plants)
        count += plant->eventCountBetween(*start, *end);
    return count;
}

void TodayView::complete(const QList<CareTask> &tasks)
{
    if (tasks.isEmpty())
        return;
    GardenHistory::of(m_store).completeTasks(tasks);
    ++m_completions;
    SuccessFeedback::play(this);
    emit completionsChanged(m_completions);
    // Redraw at once so the rows leave on the spring; the store's own signal finds nothing new.
    refresh();
}

bool TodayView::isShowingEmptyState() const
{
    return m_empty && m_pages->currentWidget() == m_empty;
}

QList<TaskRow *> TodayView::rows() const
{
    QList<TaskRow *> result;
    for (QWidget *widget : m_list->widgets()) {
        if (auto *row = qobject_cast<TaskRow *>(widget))
            result.append(row);
    }
    return result;
}

TodayView::Section TodayView::sectionOf(const TaskRow *row) const
{
    return m_sectionOf.value(row->taskId(), Section::today);
}

TodaySummaryCard *TodayView::summaryCard() const
{
    return qobject_cast<TodaySummaryCard *>(m_list->widget(summaryKey));
}

GlassButton *TodayView::completeAllButton() const
{
    return m_completeAll;
}

bool TodayView::event(QEvent *event)
{
    // The navigation stack gives the page its item before parenting it, so the toolbar button
    // can go in as soon as the page is placed.
    if (event->type() == QEvent::ParentChange)
        installToolbarButton();
    if (event->type() == materializeEventType()) {
        materializeRows();
        return true;
    }
    return QWidget::event(event);
}

void TodayView::queueMaterialize()
{
    if (!m_hasStandIns || m_materializeQueued || !m_painted)
        return;
    m_materializeQueued = true;
    QCoreApplication::postEvent(this, new QEvent(materializeEventType()), Qt::LowEventPriority);
}

bool TodayView::eventFilter(QObject *watched, QEvent *event)
{
    // The first rows are on screen: the others follow, a batch per turn.
    if (event->type() == QEvent::Paint && !m_painted && watched == summaryCard()) {
        m_painted = true;
        queueMaterialize();
    }
    return QWidget::eventFilter(watched, event);
}

void TodayView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installToolbarButton();
}

void TodayView::installToolbarButton()
{
    if (m_toolbarInstalled)
        return;
    NavigationStack *stack = NavigationStack::of(this);
    NavigationItem *item = stack ? stack->item(this) : nullptr;
    if (!item)
        return;
    item->addTrailing(m_addPlant);
    m_toolbarInstalled = true;
}

TodayView::Sections TodayView::currentSections() const
{
    const Calendar &calendar = Calendar::current();
    Sections sections;
    for (const CareTask &task : CareTask::tasks(m_plants->plants(), 7, calendar)) {
        const qint64 days = task.daysFromToday(calendar);
        if (days < 0)
            sections.overdue.append(task);
        else if (days == 0)
            sections.today.append(task);
        else
            sections.next.append(task);
    }
    return sections;
}

void TodayView::scheduleRefresh()
{
    m_refreshTimer.start();
}

void TodayView::refresh()
{
    m_refreshTimer.stop();
    const QList<Plant *> plants = m_plants->plants();
    for (Plant *plant : plants)
        connect(plant, &Plant::changed, this, &TodayView::scheduleRefresh, Qt::UniqueConnection);

    if (plants.isEmpty()) {
        m_list->setItems({}, false);
        m_sectionOf.clear();
        m_shown = {};
        m_pages->setCurrentWidget(emptyState());
        return;
    }
    const Calendar &calendar = Calendar::current();
    const Sections sections = currentSections();
    const int done = doneTodayCount(plants, calendar);
    const QString date = Formatting::dateFromSkeleton(calendar.now(), QStringLiteral("EEEEMMMd"), QLocale(),
                                                      calendar.timeZone());

    Shown shown{{}, done, date};
    for (const QList<CareTask> *part : {&sections.overdue, &sections.today, &sections.next}) {
        for (const CareTask &task : *part)
            shown.rows.append({task.id(), task.dueMsecs, task.plant->name(), task.plant->site()});
    }
    // Nothing listed yet counts as the welcome panel: the first rows appear without moving in.
    const bool wasEmpty = isShowingEmptyState() || m_shown.done < 0;
    if (!wasEmpty && shown == m_shown)
        return;
    m_shown = shown;
    m_pages->setCurrentWidget(m_scroll);
    rebuildList(sections, done, date, !wasEmpty);
}

namespace {

// Rows made per later turn until all are real.
constexpr int laterRowBatch = 40;

// Rows made in the rebuild that shows the list: enough to fill the tallest screen, so the first
// frame shows only real rows however tall the window is. A window may be taller than a small or
// virtual screen, so at least a full-HD screen's height is filled.
int firstRowBatch(int rowHeight)
{
    int tallest = 1080;
    for (const QScreen *screen : QGuiApplication::screens())
        tallest = qMax(tallest, screen->availableGeometry().height());
    return tallest / qMax(1, rowHeight > 0 ? rowHeight : Theme::current().list.rowMinHeight) + 1;
}

// Holds the place of a run of task rows until the real rows are made: one widget for the whole
// run, so a garden of thousands of tasks costs a handful of widgets before its first paint.
class StandInRow final : public QWidget
{
public:
    StandInRow()
    {
        setObjectName(QStringLiteral("todayStandInRow"));
        Accessibility::setPresentational(this);
    }
};

QString standInKey(TodayView::Section section, int run)
{
    return QStringLiteral("standin-") + sectionKey(section) + QLatin1Char('-') + QString::number(run);
}

} // namespace

void TodayView::materializeRows()
{
    m_materializeQueued = false;
    if (!m_hasStandIns || isShowingEmptyState())
        return;
    m_newRowBudget = laterRowBatch;
    // Nothing has changed since the last rebuild (a change refreshes the list itself): the rows
    // already made show their tasks as they are.
    m_rowsCurrent = true;
    rebuildList(currentSections(), m_shown.done, m_shown.date, false);
    m_rowsCurrent = false;
}

void TodayView::rebuildList(const Sections &sections, int done, const QString &date, bool animated)
{
    QList<TodayList::Item> items;
    if (m_newRowBudget <= 0)
        m_newRowBudget = firstRowBatch(m_rowHeight);
    m_hasStandIns = false;

    auto *card = summaryCard();
    if (!card) {
        card = new TodaySummaryCard;
        // The card heads the list: once it is painted, the list has been seen.
        card->installEventFilter(this);
    }
    card->setValues(done, int(sections.overdue.size() + sections.today.size()), date);
    items.append({summaryKey, card, TodayList::Role::plain, {}, 0});

    QHash<CareTask::ID, Section> sectionOf;
    auto addRows = [&](const QList<CareTask> &tasks, Section section) {
        int waiting = 0;
        int runs = 0;
        const auto addStandIn = [&] {
            if (waiting == 0)
                return;
            const QString key = standInKey(section, runs++);
            items.append(
                {key, standIn(key, waiting), TodayList::Role::row, sectionKey(section), rowSeparatorInset()});
            waiting = 0;
        };
        for (const CareTask &task : tasks) {
            sectionOf.insert(task.id(), section);
            QWidget *made = row(task);
            if (!made) {
                ++waiting;
                continue;
            }
            addStandIn();
            items.append(
                {rowKey(task.id()), made, TodayList::Role::row, sectionKey(section), rowSeparatorInset()});
        }
        addStandIn();
    };
    if (!sections.overdue.isEmpty()) {
        items.append({overdueHeaderKey, header(overdueHeaderKey, Section::overdue), TodayList::Role::header,
                      sectionKey(Section::overdue), 0});
        addRows(sections.overdue, Section::overdue);
    }
    items.append({todayHeaderKey, header(todayHeaderKey, Section::today), TodayList::Role::header,
                  sectionKey(Section::today), 0});
    m_completeAll->setVisible(sections.today.size() >= 2);
    if (sections.today.isEmpty())
        items.append({nothingDueKey, nothingDueRow(), TodayList::Role::row, sectionKey(Section::today), 0});
    else
        addRows(sections.today, Section::today);
    if (!sections.next.isEmpty()) {
        items.append({nextHeaderKey, header(nextHeaderKey, Section::next), TodayList::Role::header,
                      sectionKey(Section::next), 0});
        addRows(sections.next, Section::next);
    }
    m_sectionOf = sectionOf;

    // A row that had the focus and now leaves hands it to the row that takes its place.
    const QList<TaskRow *> before = rows();
    auto *focused = qobject_cast<TaskRow *>(QApplication::focusWidget());
    const qsizetype focusIndex = before.indexOf(focused);
    const bool keyboardFocus = focused && Painting::showsFocusRing(focused);

    m_list->setItems(items, animated);
    m_newRowBudget = 0;
    queueMaterialize();

    // Tab walks the list top to bottom, whenever each row was made. Each link walks the window's
    // whole focus chain, so only the pairs not already linked by the last rebuild are linked.
    QHash<const QWidget *, TabLink> links;
    QWidget *previous = nullptr;
    for (QWidget *widget : m_list->widgets()) {
        QWidget *stop = qobject_cast<TaskRow *>(widget);
        if (!stop && m_completeAll && m_completeAll->parentWidget() == widget)
            stop = m_completeAll;
        if (!stop)
            continue;
        if (previous) {
            const TabLink linked = m_tabLinks.value(previous);
            const qsizetype made = m_madeRows.indexOf(stop);
            // Rows made by this rebuild joined the focus chain in list order, one after another.
            const bool madeInOrder = made > 0 && m_madeRows[made - 1] == previous;
            if ((linked.from != previous || linked.to != stop) && !madeInOrder)
                QWidget::setTabOrder(previous, stop);
            links.insert(previous, {previous, stop});
        }
        previous = stop;
    }
    m_tabLinks = links;
    m_madeRows.clear();

    if (focusIndex >= 0 && !m_list->widget(rowKey(focused->taskId()))) {
        const QList<TaskRow *> after = rows();
        const Qt::FocusReason reason = keyboardFocus ? Qt::TabFocusReason : Qt::OtherFocusReason;
        if (!after.isEmpty())
            after[qMin(focusIndex, after.size() - 1)]->setFocus(reason);
        else
            m_scroll->setFocus(reason);
    }
}

QWidget *TodayView::header(const QString &key, Section section)
{
    if (QWidget *existing = m_list->widget(key))
        return existing;
    const Theme &theme = Theme::current();
    const ListStyle &style = theme.list;
    auto *bar = new QWidget;
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(style.rowPaddingH, 0, style.rowPaddingH - 8, 0);
    layout->setSpacing(8);

    QString title;
    QString symbol;
    ThemeColor color = &ThemeColors::secondaryLabel; // the list header colour
    switch (section) {
    case Section::overdue:
        bar->setObjectName(QStringLiteral("todaySectionOverdue"));
        title = tr("Overdue");
        symbol = QStringLiteral("exclamationmark.circle.fill");
        color = ThemeColor::text(ColorRole::red);
        break;
    case Section::today:
        bar->setObjectName(QStringLiteral("todaySectionToday"));
        title = tr("Today");
        break;
    case Section::next:
        bar->setObjectName(QStringLiteral("todaySectionNext"));
        title = tr("Next 7 Days");
        break;
    }
    auto *label = new SymbolLabel(symbol, title, TextStyle::subheadline, bar);
    label->setObjectName(QStringLiteral("todaySectionTitle"));
    Accessibility::setPresentational(bar);
    Accessibility::setRole(label, QAccessible::Heading);
    Accessibility::setLeaf(label);
    label->setTextStyle(TextStyle::subheadline, QFont::DemiBold);
    label->textLabel()->setFont(style.headerFont);
    label->setColor(color);
    label->symbolView()->setVisible(!symbol.isEmpty());
    layout->addWidget(label, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    if (section == Section::today) {
        m_completeAll = new GlassButton(tr("Complete All"), {}, GlassButton::Style::borderless, bar);
        m_completeAll->setObjectName(QStringLiteral("todayCompleteAllButton"));
        m_completeAll->setContentFont(theme.font(TextStyle::subheadline, QFont::DemiBold));
        m_completeAll->setControlSize(GlassButton::ControlSize::small);
        m_completeAll->hide();
        layout->addWidget(m_completeAll, 0, Qt::AlignVCenter);
        connect(m_completeAll, &QAbstractButton::clicked, this, &TodayView::completeAll);
        // The header keeps its height whether or not the button shows.
        bar->setMinimumHeight(m_completeAll->sizeHint().height());
    }
    return bar;
}

QWidget *TodayView::nothingDueRow()
{
    if (QWidget *existing = m_list->widget(nothingDueKey))
        return existing;
    const Theme &theme = Theme::current();
    const ListStyle &style = theme.list;
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("todayNothingDue"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(style.rowPaddingH, style.rowPaddingV + 2, style.rowPaddingH,
                               style.rowPaddingV + 2);
    auto *label = new SymbolLabel(QStringLiteral("checkmark.seal.fill"), tr("Nothing else due today"),
                                  TextStyle::body, row);
    label->setColor(&ThemeColors::secondaryLabel);
    layout->addWidget(label);
    layout->addStretch(1);
    row->setMinimumHeight(style.rowMinHeight);
    row->setAccessibleName(label->text());
    Accessibility::setLeaf(row);
    return row;
}

QWidget *TodayView::row(const CareTask &task)
{
    QWidget *shown = m_list->widget(rowKey(task.id()));
    if (auto *existing = qobject_cast<TaskRow *>(shown)) {
        if (!m_rowsCurrent)
            existing->setTask(task);
        return existing;
    }
    if (m_newRowBudget <= 0 && m_rowHeight > 0) {
        m_hasStandIns = true;
        return nullptr;
    }
    --m_newRowBudget;
    auto *row = new TaskRow(task);
    m_madeRows.append(row);
    if (m_rowHeight <= 0)
        m_rowHeight = row->sizeHint().height();
    connect(row, &TaskRow::completeRequested, this, [this, row] { completeTask(row); });
    connect(row, &TaskRow::activated, this, [this, row] {
        if (Plant *plant = row->plant())
            emit plantChosen(plant);
    });
    return row;
}

QWidget *TodayView::standIn(const QString &key, int rows)
{
    QWidget *widget = m_list->widget(key);
    if (widget && widget->objectName() != QLatin1String("todayStandInRow"))
        widget = nullptr;
    if (!widget)
        widget = new StandInRow;
    widget->setFixedHeight(rows * m_rowHeight);
    return widget;
}

void TodayView::completeTask(TaskRow *row)
{
    const QPointer<TaskRow> completed(row);
    // The row that follows takes the completed one's place (the one before it at the end of the
    // list): it gets the focus when the completed row had it, also when the task stays listed
    // further down, and in any case takes no input for a moment, so the second click of a double
    // click or a Space key held down does not complete it too.
    const QList<TaskRow *> shown = rows();
    const qsizetype index = shown.indexOf(row);
    QPointer<TaskRow> successor;
    if (index + 1 < shown.size())
        successor = shown[index + 1];
    else if (index > 0)
        successor = shown[index - 1];
    const bool hadFocus = row->hasFocus();
    const bool keyboardFocus = hadFocus && Painting::showsFocusRing(row);
    const bool keyDown = row->isCompletionKeyDown();

    // Look the task up afresh: the row may be a turn behind the store.
    bool found = false;
    for (const CareTask &task : CareTask::tasks(m_plants->plants(), 7)) {
        if (task.id() == row->taskId()) {
            complete({task});
            found = true;
            break;
        }
    }
    if (!found)
        refresh();

    const Qt::FocusReason reason = keyboardFocus ? Qt::TabFocusReason : Qt::OtherFocusReason;
    if (hadFocus) {
        if (successor && successor->isVisible() && successor->focusPolicy() != Qt::NoFocus)
            successor->setFocus(reason);
        else if (completed && completed->hasFocus())
            m_scroll->setFocus(reason);
    }
    if (successor)
        successor->holdInput(InputHold::standardMsecs, keyDown && successor->hasFocus());
    // A row that stays listed (due again within the week) comes back closed, and takes input again
    // once it has been seen in its new place.
    if (completed && m_list->widget(rowKey(completed->taskId())) == completed)
        completed->completionHandled(InputHold::standardMsecs +
                                     (m_list->isAnimating() ? Spring::durationMs() : 0));
}

void TodayView::completeAll()
{
    complete(currentSections().today);
}
