#pragma once

// GardenFiles: the File menu's garden commands as the user meets them.
//   "Back Up Garden…" asks where (the documents folder, "Tendrel Backup 2026-12-07.tendrel") and
//   copies the whole garden there in the background; the window keeps working meanwhile.
//   "Restore Garden…" asks for a backup, checks it read-only as opening the store does, says what
//   it holds, and replaces the garden only after "Restore". The garden it replaces is first kept
//   as a backup file next to the store; Undo brings it back.
//   "Export Care Log…" writes the care log as CSV (see CareLogExport).
// Each says how it went: a toast when done, an alert with the reason when not. Nothing is
// changed or lost when a step fails or is cancelled.
//
//   auto *files = new GardenFiles(store, this);
//   files->backUp(window);   // returns at once; finished() follows
//
// Test seam: GardenFiles::setNextFile(path) answers the next file question without a dialog
// (an empty path cancels it).

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class ModelStore;
class QFileDialog;
class QWidget;

class GardenFiles final : public QObject
{
    Q_OBJECT

public:
    enum class Task : unsigned char { backUp, restore, exportCareLog };

    explicit GardenFiles(ModelStore &store, QObject *parent = nullptr);
    ~GardenFiles() override;

    void backUp(QWidget *window);
    void restore(QWidget *window);
    void exportCareLog(QWidget *window);
    // A backup is being written.
    bool isBusy() const { return m_busy; }

    // Where the backup written now would go by default.
    static QString defaultFolder();

    static void setNextFile(const QString &path);

signals:
    // A task ended: done, failed (the user was told why) or cancelled (ok false, reason empty).
    void finished(GardenFiles::Task task, bool ok, const QString &reason);

private:
    using Then = std::function<void(const QString &path)>;
    void askForFile(QWidget *window, bool save, const QString &title, const QString &fileName,
                    const QString &filter, const QString &suffix, Then then);
    void writeBackup(QWidget *window, const QString &path);
    void writeCareLog(QWidget *window, const QString &path);
    void restoreFrom(QWidget *window, const QString &path);
    // A new file beside the store for the garden a restore replaces.
    QString keptFilePath() const;
    void fail(QWidget *window, Task task, const QString &title, const QString &reason);

    ModelStore &m_store;
    QPointer<QFileDialog> m_dialog;
    bool m_busy = false;
    static std::optional<QString> s_nextFile;
};
