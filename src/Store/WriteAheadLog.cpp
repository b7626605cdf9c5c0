#include "Store/WriteAheadLog.h"

#include <QFile>
#include <QHash>
#include <QtEndian>

#include <optional>

namespace {

// The layout SQLite documents for a log: a 32-byte header, then frames of a 24-byte header and one
// page each.
constexpr qint64 logHeaderBytes = 32;
constexpr qint64 frameHeaderBytes = 24;
constexpr quint32 magicLittleEndian = 0x377f0682;
constexpr quint32 magicBigEndian = 0x377f0683;
constexpr quint32 formatVersion = 3007000;

quint32 word(const char *bytes)
{
    return qFromBigEndian<quint32>(bytes);
}

// SQLite's running checksum over pairs of 32-bit words, read in the byte order the magic names.
struct Checksum
{
    bool bigEndian = false;
    quint32 s1 = 0;
    quint32 s2 = 0;

    void add(const char *bytes, qint64 size)
    {
        for (qint64 i = 0; i + 8 <= size; i += 8) {
            const quint32 a =
                bigEndian ? qFromBigEndian<quint32>(bytes + i) : qFromLittleEndian<quint32>(bytes + i);
            const quint32 b = bigEndian ? qFromBigEndian<quint32>(bytes + i + 4)
                                        : qFromLittleEndian<quint32>(bytes + i + 4);
            s1 += a + s2;
            s2 += b + s1;
        }
    }
    bool matches(const char *stored) const { return word(stored) == s1 && word(stored + 4) == s2; }
};

// The page size a database header records (bytes 16-17; 1 stands for 65536), or 0.
qint64 databasePageSize(QFile &database)
{
    if (!database.seek(16))
        return 0;
    const QByteArray bytes = database.read(2);
    if (bytes.size() != 2)
        return 0;
    const int value = qFromBigEndian<quint16>(bytes.constData());
    return value == 1 ? 65536 : value;
}

} // namespace

WriteAheadLog WriteAheadLog::read(const QString &databasePath, Depth depth)
{
    QFile log(databasePath + QStringLiteral("-wal"));
    if (!log.exists() || log.size() == 0)
        return {State::none};
    QFile database(databasePath);
    if (!database.exists())
        return {State::notALog, QStringLiteral("there is no store file for it")};
    if (!log.open(QIODevice::ReadOnly) || !database.open(QIODevice::ReadOnly))
        return {State::notALog, QStringLiteral("it cannot be read")};

    const QByteArray header = log.read(logHeaderBytes);
    const auto notALog = [] {
        return WriteAheadLog(State::notALog, QStringLiteral("it is not a log SQLite wrote"));
    };
    if (header.size() != logHeaderBytes)
        return notALog();
    const quint32 magic = word(header.constData());
    Checksum checksum{magic == magicBigEndian};
    checksum.add(header.constData(), logHeaderBytes - 8);
    const qint64 pageSize = word(header.constData() + 8);
    if ((magic != magicLittleEndian && magic != magicBigEndian) ||
        word(header.constData() + 4) != formatVersion || pageSize < 512 || pageSize > 65536 ||
        !checksum.matches(header.constData() + 24))
        return notALog();
    const qint64 storePageSize = databasePageSize(database);
    if (pageSize != storePageSize) {
        return {State::otherPageSize,
                QStringLiteral("its pages are %1 bytes, the store's %2").arg(pageSize).arg(storePageSize)};
    }

    if (depth == Depth::header)
        return {log.size() > logHeaderBytes ? State::pending : State::none};

    // The frames SQLite would replay: those carrying the header's salts, each checksum following on
    // from the one before, up to the last that ends a transaction. The latest copy of a page wins.
    QHash<quint32, qint64> latest; // page number -> offset of its page in the log
    QHash<quint32, qint64> pending;
    quint32 committedPages = 0;
    bool anyFrame = false;
    std::optional<quint32> firstFrameSalt;
    QByteArray frame(frameHeaderBytes + pageSize, Qt::Uninitialized);
    while (log.read(frame.data(), frame.size()) == frame.size()) {
        anyFrame = true;
        const char *bytes = frame.constData();
        if (!firstFrameSalt)
            firstFrameSalt = word(bytes + 8);
        const quint32 page = word(bytes);
        if (page == 0 || header.mid(16, 8) != frame.mid(8, 8))
            break;
        Checksum next = checksum;
        next.add(bytes, 8);
        next.add(bytes + frameHeaderBytes, pageSize);
        if (!next.matches(bytes + 16))
            break;
        checksum = next;
        pending.insert(page, log.pos() - pageSize);
        if (const quint32 size = word(bytes + 4); size != 0) {
            for (auto it = pending.cbegin(); it != pending.cend(); ++it)
                latest.insert(it.key(), it.value());
            pending.clear();
            committedPages = size;
        }
    }
    if (latest.isEmpty()) {
        // SQLite starts its log over only once every frame is in the file, and then counts the first
        // salt up by one: frames one count behind the header are that earlier log's, left when the
        // power went before a new frame was written over them. Other frames are not the header's own:
        // left from another log, or made up.
        const bool earlierRound = firstFrameSalt && *firstFrameSalt + 1 == word(header.constData() + 16);
        if (anyFrame && committedPages == 0 && pending.isEmpty() && !earlierRound)
            return {State::notALog, QStringLiteral("its frames do not carry its own salt")};
        return {State::none};
    }

    if (database.size() != qint64(committedPages) * pageSize)
        return {State::pending};
    for (auto it = latest.cbegin(); it != latest.cend(); ++it) {
        if (!log.seek(it.value()) || !database.seek((qint64(it.key()) - 1) * pageSize) ||
            log.read(pageSize) != database.read(pageSize))
            return {State::pending};
    }
    return {State::alreadyInFile};
}
