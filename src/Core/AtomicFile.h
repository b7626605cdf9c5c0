#pragma once

// AtomicFile: the one way Tendrel writes a plain file, so that the file appears whole or not at
// all, whatever the disk does. The bytes go to a temporary file beside the target
// (".NAME.XXXXXX"); every write and the final flush to disk are checked; only then is the
// temporary file renamed over the target and the folder flushed. On any failure the temporary
// file is removed, the target keeps every byte it had, and errorString() says why in words
// ("The disk that holds “notes.csv” is full.").
//
//   QString error;
//   AtomicFile::write(path, bytes, &error);            // whole or not at all
//
//   AtomicFile file(target);                            // a file others fill, such as SQLite
//   file.open(AtomicFile::NewFile::ownerOnly) && file.write(header) &&
//       fillElsewhere(file.temporaryPath()) && file.commit();
//
// A temporary file is locked while its writer lives. One that a killed writer left (with the
// journal files SQLite may have made beside it) is removed when the same target is next written:
// only files of our own name pattern for that target, unlocked and older than this process.
//
// Test seam: a FileFaults makes the N-th write, flush or rename fail with a chosen errno.

#include <QByteArray>
#include <QString>

class FileFaults;

class AtomicFile final
{
public:
    // Who may read a file this creates; a file it replaces keeps its own permissions.
    enum class NewFile : unsigned char { shared, ownerOnly };

    explicit AtomicFile(QString target, FileFaults *faults = nullptr);
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open(NewFile access = NewFile::shared);
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    // Flushes the temporary file to disk and renames it over the target.
    bool commit();
    void discard();

    // The temporary file's descriptor, for tuning (O_DIRECT, sync_file_range); -1 when not open.
    int handle() const { return m_fd; }
    QString temporaryPath() const { return m_temporaryPath; }
    QString errorString() const { return m_error; }
    // Marks the write failed with reason, as a step of its own would (the temporary file goes).
    bool fail(const QString &reason);

    // Writes bytes to target whole or not at all.
    static bool write(const QString &target, const QByteArray &bytes, QString *error,
                      FileFaults *faults = nullptr);
    // Why writing path failed with errnum, in a sentence.
    static QString reason(int errnum, const QString &path);
    // Removes from folder what killed writers left (see above), for targets whose names match
    // namePattern, a regular expression: open() passes its own target's name, escaped.
    static void removeLeftovers(const QString &folder, const QString &namePattern);

private:
    bool failWith(int errnum);

    QString m_target;
    QString m_temporaryPath;
    QString m_error;
    FileFaults *m_faults = nullptr;
    int m_fd = -1;
};
