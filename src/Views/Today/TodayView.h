#pragma once

#include "Models/CareTask.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class AppState;
class Calendar;
class ContentUnavailableView;
class GlassButton;
class ModelStore;
class Plant;
class PlantQuery;
class QScrollArea;
class QStackedWidget;
class TaskRow;
class TodayList;
class TodaySummaryCard;

// The Today tab: every care task that is overdue, due today or due in the next seven days, in the
// sections Overdue, Today and Next 7 Days under a summary card; with no plants at all, a welcome
// panel that offers to add a plant or to load the sample plants.
//
// Tasks are marked done with a row's button, a swipe, Space on a focused row, or "Complete All"
// for today's tasks; choosing a row (a click, or Enter) asks for its plant with plantChosen(). The list
// follows the store as it changes (care logged or undone anywhere, plants added or deleted) and moves on at
// midnight.
class TodayView final : public QWidget
{
    Q_OBJECT

public:
    enum class Section : unsigned char { overdue, today, next };

    TodayView(ModelStore &store, AppState &state, QWidget *parent = nullptr);
    ~TodayView() override;

    // Care events logged on the current calendar day, over all plants.
    static int doneTodayCount(const QList<Plant *> &plants, const Calendar &calendar);

    // Completion actions so far (one per button, swipe or "Complete All"); each plays the success cue.
    int completions() const { return m_completions; }
    // Marks every task done at the current moment, as one action.
    void complete(const QList<CareTask> &tasks);

    bool isShowingEmptyState() const;
    // The task rows now listed, in order, and the section each is in.
    QList<TaskRow *> rows() const;
    Section sectionOf(const TaskRow *row) const;
    TodaySummaryCard *summaryCard() const;
    GlassButton *completeAllButton() const;
    TodayList *list() const { return m_list; }
    GlassButton *addPlantButton() const { return m_addPlant; }

signals:
    void completionsChanged(int completions);
    // A row was chosen: whoever shows this screen opens the plant.
    void plantChosen(Plant *plant);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Sections
    {
        QList<CareTask> overdue;
        QList<CareTask> today;
        QList<CareTask> next;
    };

    // What the list shows, to tell whether a change reaches it at all (the store announces its
    // own saving of a completion that is already on screen).
    struct ShownRow
    {
        CareTask::ID id;
        qint64 dueMsecs = 0;
        QString name;
        QString site;
        friend bool operator==(const ShownRow &, const ShownRow &) = default;
    };
    struct Shown
    {
        QList<ShownRow> rows;
        int done = -1;
        QString date;
        friend bool operator==(const Shown &, const Shown &) = default;
    };

    ContentUnavailableView *emptyState();
    Sections currentSections() const;
    void scheduleRefresh();
    void refresh();
    void rebuildList(const Sections &sections, int done, const QString &date, bool animated);
    QWidget *header(const QString &key, Section section);
    QWidget *nothingDueRow();
    // The task's row; null while it waits for a later turn, its place held by a stand-in.
    QWidget *row(const CareTask &task);
    QWidget *standIn(const QString &key, int rows);
    void materializeRows();
    void completeTask(TaskRow *row);
    void completeAll();
    void installToolbarButton();

    ModelStore &m_store;
    AppState &m_state;
    PlantQuery *m_plants;
    QStackedWidget *m_pages;
    ContentUnavailableView *m_empty = nullptr;
    QScrollArea *m_scroll;
    TodayList *m_list;
    GlassButton *m_addPlant;
    QPointer<GlassButton> m_completeAll;
    QHash<CareTask::ID, Section> m_sectionOf;
    // The Tab order the last rebuild set, stop by stop; a widget deleted since no longer matches.
    struct TabLink
    {
        QPointer<QWidget> from;
        QPointer<QWidget> to;
    };
    QHash<const QWidget *, TabLink> m_tabLinks;
    // The rows the rebuild under way has made, in the order made.
    QList<QWidget *> m_madeRows;
    Shown m_shown;
    QTimer m_refreshTimer;
    int m_completions = 0;
    bool m_toolbarInstalled = false;
    // A large garden lists thousands of rows: each rebuild makes at most this many new rows and
    // holds the places of the others with one stand-in per run of them, as tall as the run, which
    // later event-loop turns replace, so the window shows and answers at once.
    int m_newRowBudget = 0;
    int m_rowHeight = 0;
    bool m_hasStandIns = false;
    bool m_materializeQueued = false;
    bool m_rowsCurrent = false;
    // The list has been painted once: rows made later wait until the first ones have been seen.
    bool m_painted = false;
    void queueMaterialize();
};
