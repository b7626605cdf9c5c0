#include "Views/Settings/GardenFiles.h"

#include "Core/Calendar.h"
#include "Core/Formatting.h"
#include "Services/CareLogExport.h"
#include "Store/ModelStore.h"
#include "Store/StoreBackup.h"
#include "Views/Components/GardenHistory.h"
#include "Views/Components/MessageBox.h"
#include "Views/Components/Toast.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLocale>
#include <QLoggingCategory>
#include <QSplitter>
#include <QStandardPaths>
#include <QTreeView>
#include <QtConcurrent/QtConcurrentRun>

Q_LOGGING_CATEGORY(lcGardenFiles, "tendrel.gardenfiles", QtWarningMsg)

std::optional<QString> GardenFiles::s_nextFile;

namespace {

// A file's name among other words: in quotes, on one line, and isolated, so nothing in it can end
// the isolate early.
QString fileNameInText(const QString &path)
{
    return QStringLiteral("\u201c") + Formatting::isolated(Formatting::oneLine(QFileInfo(path).fileName())) +
           QStringLiteral("\u201d");
}

// Runs work(&reason) on another thread and then done(ok, reason) on context's, unless context
// has gone by then.
template<typename Work, typename Done> void runAside(QObject *context, Work work, Done done)
{
    struct Outcome
    {
        bool ok = false;
        QString reason;
    };
    auto *watcher = new QFutureWatcher<Outcome>(context);
    QObject::connect(watcher, &QFutureWatcher<Outcome>::finished, context, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        const Outcome outcome = watcher->result();
        done(outcome.ok, outcome.reason);
    });
    watcher->setFuture(QtConcurrent::run([work = std::move(work)] {
        Outcome outcome;
        outcome.ok = work(&outcome.reason);
        return outcome;
    }));
}

} // namespace

GardenFiles::GardenFiles(ModelStore &store, QObject *parent) : QObject(parent), m_store(store) {}

GardenFiles::~GardenFiles()
{
    delete m_dialog;
}

void GardenFiles::setNextFile(const QString &path)
{
    s_nextFile = path;
}

QString GardenFiles::defaultFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void GardenFiles::askForFile(QWidget *window, bool save, const QString &title, const QString &fileName,
                             const QString &filter, const QString &suffix, Then then)
{
    if (s_nextFile) {
        const QString path = *std::exchange(s_nextFile, std::nullopt);
        if (!path.isEmpty())
            then(path);
        return;
    }
    // One question at a time; a second menu choice brings the open one forward.
    if (m_dialog) {
        m_dialog->raise();
        m_dialog->activateWindow();
        return;
    }
    auto *dialog = new QFileDialog(window, title, defaultFolder());
    dialog->setObjectName(save ? QStringLiteral("gardenSaveDialog") : QStringLiteral("gardenOpenDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilters({filter, tr("All Files (*)")});
    if (save) {
        dialog->setDefaultSuffix(suffix);
        dialog->selectFile(fileName);
    }
    // Where the desktop offers no file chooser of its own, Qt's shows its columns whole.
    if (auto *details = dialog->findChild<QTreeView *>(QStringLiteral("treeView"))) {
        if (window)
            dialog->resize(QSize(820, 500).boundedTo(window->window()->size() * 0.9));
        if (auto *places = dialog->findChild<QSplitter *>(QStringLiteral("splitter")))
            places->setSizes({180, dialog->width() - 180});
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        const QFontMetrics metrics(details->font());
        const QStringList widest = {
            QStringLiteral("000.0 MiB"), QStringLiteral("Tendrel Backup"),
            QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(22, 58)), QLocale::ShortFormat)};
        for (int column = 1; column <= int(widest.size()); ++column)
            header->resizeSection(column, metrics.horizontalAdvance(widest.at(column - 1)) +
                                              4 * metrics.averageCharWidth());
    }
    // Once the dialog has closed: a question that follows stands alone.
    connect(dialog, &QFileDialog::fileSelected, this, std::move(then), Qt::QueuedConnection);
    m_dialog = dialog;
    // Not exec(): the window keeps running while the user chooses.
    dialog->open();
}

void GardenFiles::fail(QWidget *window, Task task, const QString &title, const QString &reason)
{
    MessageBox::alert(window, title, reason);
    emit finished(task, false, reason);
}

void GardenFiles::backUp(QWidget *window)
{
    if (m_busy)
        return;
    const QPointer<QWidget> owner(window);
    askForFile(window, true, tr("Back Up Garden"),
               StoreBackup::defaultFileName(Calendar::current().localDate(Calendar::current().now())),
               tr("Tendrel Backups (*.%1)").arg(QLatin1String(StoreBackup::suffix)),
               QLatin1String(StoreBackup::suffix),
               [this, owner](const QString &path) { writeBackup(owner, path); });
}

void GardenFiles::writeBackup(QWidget *window, const QString &path)
{
    const QPointer<QWidget> owner(window);
    const int plants = m_store.plantCount();
    const auto done = [this, owner, path, plants](bool ok, const QString &reason) {
        m_busy = false;
        if (!ok) {
            fail(owner, Task::backUp, tr("Couldn\u2019t Back Up Garden"), reason);
            return;
        }
        const QString what =
            plants == 1 ? tr("1 plant") : tr("%1 plants").arg(Formatting::integer(plants, QLocale()));
        Toast::present(owner, tr("Backed up %1 to %2").arg(what, fileNameInText(path)), QString(), nullptr);
        emit finished(Task::backUp, true, QString());
    };
    QString reason;
    if (const auto refused = StoreBackup::refusal(m_store.filePath(), path)) {
        done(false, *refused);
        return;
    }
    m_busy = true;
    // A store in memory is copied here; a store file is copied on another thread from the moment
    // after everything done so far is saved, while the app goes on writing.
    if (!m_store.isPersistent() || !m_store.flushToFile()) {
        const bool ok = m_store.backUp(path, &reason);
        done(ok, reason);
        return;
    }
    runAside(
        this,
        [source = m_store.filePath(), path](QString *why) { return StoreBackup::write(source, path, why); },
        done);
}

void GardenFiles::restore(QWidget *window)
{
    const QPointer<QWidget> owner(window);
    askForFile(window, false, tr("Restore Garden"), QString(),
               tr("Tendrel Backups (*.%1)").arg(QLatin1String(StoreBackup::suffix)), QString(),
               [this, owner](const QString &path) { restoreFrom(owner, path); });
}

QString GardenFiles::keptFilePath() const
{
    // Next to the store; a store in memory keeps it with the app's data.
    QString folder = m_store.isPersistent()
                         ? QFileInfo(m_store.filePath()).absolutePath()
                         : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    const QString stamp = Calendar::current()
                              .now()
                              .toTimeZone(Calendar::current().timeZone())
                              .toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString base = QDir(folder).filePath(tr("Garden Before Restore %1").arg(stamp));
    QString path = base + QLatin1Char('.') + QLatin1String(StoreBackup::suffix);
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral(" (%1).").arg(n) + QLatin1String(StoreBackup::suffix);
    return path;
}

void GardenFiles::restoreFrom(QWidget *window, const QString &path)
{
    const QString title = tr("Couldn\u2019t Restore Garden");
    QString reason;
    if (const auto refused = StoreBackup::refusal(m_store.filePath(), path)) {
        fail(window, Task::restore, title, *refused);
        return;
    }
    const auto summary = ModelStore::inspect(path, &reason);
    if (!summary) {
        fail(window, Task::restore, title, reason);
        return;
    }
    const QLocale locale;
    const QString plants = summary->plants == 1
                               ? tr("1 plant")
                               : tr("%1 plants").arg(Formatting::integer(summary->plants, locale));
    const QString events = summary->events == 1
                               ? tr("1 care entry")
                               : tr("%1 care entries").arg(Formatting::integer(summary->events, locale));
    const QString when = Formatting::dateFromSkeleton(summary->written, QStringLiteral("yMMMd"), locale,
                                                      Calendar::current().timeZone());
    const int choice = MessageBox::confirm(
        window, tr("Restore %1?").arg(fileNameInText(path)),
        tr("%1, %2, backed up %3.\n\nYour garden will be replaced by this one. It is kept as a backup "
           "file first, and Undo brings it back.")
            .arg(plants, events, when),
        {{tr("Restore"), MessageBox::Role::destructive}});
    if (choice != 0) {
        emit finished(Task::restore, false, QString());
        return;
    }
    const QString kept = keptFilePath();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = GardenHistory::of(m_store).restoreGarden(path, kept, &reason);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        fail(window, Task::restore, title, reason);
        return;
    }
    qCInfo(lcGardenFiles).noquote() << "Restored" << path << "; the garden replaced is kept in" << kept;
    emit finished(Task::restore, true, QString());
}

void GardenFiles::exportCareLog(QWidget *window)
{
    const QPointer<QWidget> owner(window);
    askForFile(window, true, tr("Export Care Log"),
               CareLogExport::defaultFileName(Calendar::current().localDate(Calendar::current().now())),
               tr("CSV Files (*.csv)"), QStringLiteral("csv"),
               [this, owner](const QString &path) { writeCareLog(owner, path); });
}

void GardenFiles::writeCareLog(QWidget *window, const QString &path)
{
    const QPointer<QWidget> owner(window);
    if (const auto refused = StoreBackup::refusal(m_store.filePath(), path)) {
        fail(owner, Task::exportCareLog, tr("Couldn\u2019t Export Care Log"), *refused);
        return;
    }
    // The rows are taken here, where the plants live; a large log is dated and written on another
    // thread while the window goes on.
    auto log = CareLogExport::Log::of(m_store.plants());
    const auto entries = qsizetype(log.entries.size());
    const auto done = [this, owner, path, entries](bool ok, const QString &reason) {
        if (!ok) {
            fail(owner, Task::exportCareLog, tr("Couldn\u2019t Export Care Log"), reason);
            return;
        }
        const QString what = entries == 1
                                 ? tr("1 care entry")
                                 : tr("%1 care entries").arg(Formatting::integer(entries, QLocale()));
        Toast::present(owner, tr("Exported %1 to %2").arg(what, fileNameInText(path)), QString(), nullptr);
        emit finished(Task::exportCareLog, true, QString());
    };
    runAside(
        this,
        [log = std::move(log), zone = Calendar::current().timeZone(), path](QString *reason) {
            return CareLogExport::write(log, zone, path, reason);
        },
        done);
}
