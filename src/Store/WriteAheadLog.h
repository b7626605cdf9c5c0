#pragma once

#include <QString>

#include <utility>

// What the write-ahead log beside a store file ("<file>-wal") holds, read with plain file reads:
// SQLite itself would replay whatever valid frames it finds into the file, whichever database they
// came from, and make an index ("-shm") beside it to do so. A log no connection has indexed is
// only trusted when it holds nothing the file lacks (as after a crash between SQLite's last
// checkpoint and its removal of the log).
//
//     const WriteAheadLog log = WriteAheadLog::read(storePath);
//     if (log.state() == WriteAheadLog::State::otherPageSize)
//         refuse(log.detail()); // "its pages are 1024 bytes, the store's 4096"
class WriteAheadLog final
{
public:
    enum class State {
        none,          // no log, or none with a committed frame
        alreadyInFile, // every committed page of the log is in the file as it stands
        pending,       // committed pages the file does not hold yet
        otherPageSize, // a log of a database with pages of another size
        notALog,       // no header SQLite wrote, or frames that do not carry its salt
    };

    enum class Depth { header, frames };
    // With Depth::header only the header is read, and a log with frames counts as pending: enough
    // beside an index, which tells SQLite which frames are the store's.
    static WriteAheadLog read(const QString &databasePath, Depth depth = Depth::frames);

    State state() const { return m_state; }
    // Why the log is not the store's, in words fit to show the user.
    QString detail() const { return m_detail; }

private:
    WriteAheadLog(State state, QString detail = {}) : m_state(state), m_detail(std::move(detail)) {}

    State m_state;
    QString m_detail;
};
