#include "support/FaultVfs.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

// What a file held before writes that have not reached the disk yet: undone newest first, then the
// file is cut back to its synced size.
struct Undo
{
    sqlite3_int64 offset = 0;
    std::string bytes;
};

struct Disk
{
    sqlite3_int64 syncedSize = 0;
    std::vector<Undo> undo;
};

enum class Mode { off, failOnce, failOnward, powerCut };

enum class Call { open, write, sync, truncate };

struct File
{
    sqlite3_file base;
    sqlite3_file *real;
    // SQLite keeps the name valid until xClose; null for a temporary file.
    const char *name;
};

struct State
{
    // Held for every call that reads or changes a file, so that the two threads of a store (the
    // window's and the checkpointer's) count in one order and a cut sees no write half made.
    std::mutex mutex;
    Mode mode = Mode::off;
    int n = 0;
    int writeCode = SQLITE_IOERR_WRITE;
    int calls = 0;
    bool fired = false;
    bool dark = false;
    std::map<std::string, Disk> disks;
    std::multimap<std::string, sqlite3_file *> open;
    sqlite3_vfs *real = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
};

State &state()
{
    static State s;
    return s;
}

sqlite3_file *realOf(sqlite3_file *file)
{
    return reinterpret_cast<File *>(file)->real;
}

sqlite3_int64 sizeOf(sqlite3_file *real)
{
    sqlite3_int64 size = 0;
    real->pMethods->xFileSize(real, &size);
    return size;
}

// The error a counted call ends with: what the unix VFS returns when the disk refuses it.
int failure(Call call)
{
    switch (call) {
    case Call::open:
        return SQLITE_CANTOPEN;
    case Call::write:
        return state().writeCode;
    case Call::sync:
        return SQLITE_IOERR_FSYNC;
    case Call::truncate:
        return SQLITE_IOERR_TRUNCATE;
    }
    return SQLITE_IOERR;
}

// Puts back what every file held at its last sync; called with the mutex held.
void cutPower()
{
    State &s = state();
    s.dark = true;
    s.fired = true;
    for (auto &[path, disk] : s.disks) {
        const auto handle = s.open.find(path);
        if (handle != s.open.end()) {
            sqlite3_file *real = handle->second;
            for (auto undo = disk.undo.rbegin(); undo != disk.undo.rend(); ++undo)
                real->pMethods->xWrite(real, undo->bytes.data(), int(undo->bytes.size()), undo->offset);
            real->pMethods->xTruncate(real, disk.syncedSize);
            continue;
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        for (auto undo = disk.undo.rbegin(); undo != disk.undo.rend(); ++undo) {
            if (::pwrite(fd, undo->bytes.data(), undo->bytes.size(), off_t(undo->offset)) < 0)
                break;
        }
        if (::ftruncate(fd, off_t(disk.syncedSize)) != 0) {
            // Nothing more can be put back.
        }
        ::close(fd);
    }
    s.disks.clear();
}

// Counts call; SQLITE_OK when it goes ahead. Called with the mutex held.
int count(Call call)
{
    State &s = state();
    if (s.dark)
        return failure(call);
    switch (s.mode) {
    case Mode::off:
        return SQLITE_OK;
    case Mode::powerCut:
        if (call == Call::sync && ++s.calls == s.n) {
            cutPower();
            return failure(call);
        }
        return SQLITE_OK;
    case Mode::failOnce:
    case Mode::failOnward:
        ++s.calls;
        if (s.calls == s.n || (s.mode == Mode::failOnward && s.calls > s.n)) {
            s.fired = true;
            return failure(call);
        }
        return SQLITE_OK;
    }
    return SQLITE_OK;
}

// The file's record of unsynced writes while a power cut is armed, or null.
Disk *tracked(File *file)
{
    State &s = state();
    if (s.mode != Mode::powerCut || !file->name)
        return nullptr;
    auto [disk, added] = s.disks.try_emplace(file->name);
    if (added)
        disk->second.syncedSize = sizeOf(file->real);
    return &disk->second;
}

// Keeps the bytes of [from, to) as they are now, so a cut can put them back.
void keep(Disk &disk, sqlite3_file *real, sqlite3_int64 from, sqlite3_int64 to)
{
    to = std::min({to, sizeOf(real), disk.syncedSize});
    if (from >= to)
        return;
    Undo undo{from, std::string(size_t(to - from), '\0')};
    real->pMethods->xRead(real, undo.bytes.data(), int(undo.bytes.size()), from);
    disk.undo.push_back(std::move(undo));
}

int faultClose(sqlite3_file *file)
{
    State &s = state();
    auto *f = reinterpret_cast<File *>(file);
    const std::lock_guard lock(s.mutex);
    if (f->name) {
        auto [first, last] = s.open.equal_range(f->name);
        for (auto it = first; it != last; ++it) {
            if (it->second == f->real) {
                s.open.erase(it);
                break;
            }
        }
    }
    return f->real->pMethods->xClose(f->real);
}

int faultRead(sqlite3_file *file, void *buffer, int amount, sqlite3_int64 offset)
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    if (s.dark)
        return SQLITE_IOERR_READ;
    return realOf(file)->pMethods->xRead(realOf(file), buffer, amount, offset);
}

int faultWrite(sqlite3_file *file, const void *buffer, int amount, sqlite3_int64 offset)
{
    State &s = state();
    auto *f = reinterpret_cast<File *>(file);
    const std::lock_guard lock(s.mutex);
    if (const int rc = count(Call::write); rc != SQLITE_OK)
        return rc;
    if (Disk *disk = tracked(f))
        keep(*disk, f->real, offset, offset + amount);
    return f->real->pMethods->xWrite(f->real, buffer, amount, offset);
}

int faultTruncate(sqlite3_file *file, sqlite3_int64 size)
{
    State &s = state();
    auto *f = reinterpret_cast<File *>(file);
    const std::lock_guard lock(s.mutex);
    if (const int rc = count(Call::truncate); rc != SQLITE_OK)
        return rc;
    if (Disk *disk = tracked(f))
        keep(*disk, f->real, size, disk->syncedSize);
    return f->real->pMethods->xTruncate(f->real, size);
}

int faultSync(sqlite3_file *file, int flags)
{
    State &s = state();
    auto *f = reinterpret_cast<File *>(file);
    const std::lock_guard lock(s.mutex);
    if (const int rc = count(Call::sync); rc != SQLITE_OK)
        return rc;
    const int rc = f->real->pMethods->xSync(f->real, flags);
    if (rc == SQLITE_OK) {
        if (Disk *disk = tracked(f)) {
            disk->undo.clear();
            disk->syncedSize = sizeOf(f->real);
        }
    }
    return rc;
}

int faultFileSize(sqlite3_file *file, sqlite3_int64 *size)
{
    return realOf(file)->pMethods->xFileSize(realOf(file), size);
}

int faultLock(sqlite3_file *file, int level)
{
    return realOf(file)->pMethods->xLock(realOf(file), level);
}

int faultUnlock(sqlite3_file *file, int level)
{
    return realOf(file)->pMethods->xUnlock(realOf(file), level);
}

int faultCheckReservedLock(sqlite3_file *file, int *reserved)
{
    return realOf(file)->pMethods->xCheckReservedLock(realOf(file), reserved);
}

int faultFileControl(sqlite3_file *file, int op, void *arg)
{
    return realOf(file)->pMethods->xFileControl(realOf(file), op, arg);
}

int faultSectorSize(sqlite3_file *file)
{
    return realOf(file)->pMethods->xSectorSize(realOf(file));
}

int faultDeviceCharacteristics(sqlite3_file *file)
{
    return realOf(file)->pMethods->xDeviceCharacteristics(realOf(file));
}

int faultShmMap(sqlite3_file *file, int region, int size, int extend, void volatile **memory)
{
    State &s = state();
    {
        const std::lock_guard lock(s.mutex);
        if (s.dark)
            return SQLITE_IOERR_SHMMAP;
    }
    return realOf(file)->pMethods->xShmMap(realOf(file), region, size, extend, memory);
}

int faultShmLock(sqlite3_file *file, int offset, int n, int flags)
{
    return realOf(file)->pMethods->xShmLock(realOf(file), offset, n, flags);
}

void faultShmBarrier(sqlite3_file *file)
{
    realOf(file)->pMethods->xShmBarrier(realOf(file));
}

int faultShmUnmap(sqlite3_file *file, int deleteFlag)
{
    return realOf(file)->pMethods->xShmUnmap(realOf(file), deleteFlag);
}

int faultFetch(sqlite3_file *, sqlite3_int64, int, void **pointer)
{
    // A mapping would read past the faults: SQLite falls back to xRead without one.
    *pointer = nullptr;
    return SQLITE_OK;
}

int faultUnfetch(sqlite3_file *file, sqlite3_int64 offset, void *pointer)
{
    return realOf(file)->pMethods->xUnfetch(realOf(file), offset, pointer);
}

int faultOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *file, int flags, int *outFlags)
{
    State &s = state();
    auto *f = reinterpret_cast<File *>(file);
    f->base.pMethods = nullptr;
    f->real = reinterpret_cast<sqlite3_file *>(f + 1);
    f->name = name;
    const std::lock_guard lock(s.mutex);
    if (const int rc = count(Call::open); rc != SQLITE_OK)
        return rc;
    const int rc = s.real->xOpen(s.real, name, f->real, flags, outFlags);
    if (rc != SQLITE_OK) {
        if (f->real->pMethods)
            f->real->pMethods->xClose(f->real);
        return rc;
    }
    f->base.pMethods = &s.methods;
    if (name)
        s.open.emplace(name, f->real);
    return SQLITE_OK;
}

int faultDelete(sqlite3_vfs *, const char *name, int syncDir)
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    if (s.dark)
        return SQLITE_IOERR_DELETE;
    s.disks.erase(name);
    return s.real->xDelete(s.real, name, syncDir);
}

int faultAccess(sqlite3_vfs *, const char *name, int flags, int *result)
{
    return state().real->xAccess(state().real, name, flags, result);
}

int faultFullPathname(sqlite3_vfs *, const char *name, int size, char *out)
{
    return state().real->xFullPathname(state().real, name, size, out);
}

void *faultDlOpen(sqlite3_vfs *, const char *name)
{
    return state().real->xDlOpen(state().real, name);
}

void faultDlError(sqlite3_vfs *, int size, char *message)
{
    state().real->xDlError(state().real, size, message);
}

void (*faultDlSym(sqlite3_vfs *, void *handle, const char *symbol))(void)
{
    return state().real->xDlSym(state().real, handle, symbol);
}

void faultDlClose(sqlite3_vfs *, void *handle)
{
    state().real->xDlClose(state().real, handle);
}

int faultRandomness(sqlite3_vfs *, int size, char *out)
{
    return state().real->xRandomness(state().real, size, out);
}

int faultSleep(sqlite3_vfs *, int microseconds)
{
    return state().real->xSleep(state().real, microseconds);
}

int faultCurrentTime(sqlite3_vfs *, double *now)
{
    return state().real->xCurrentTime(state().real, now);
}

int faultGetLastError(sqlite3_vfs *, int size, char *out)
{
    return state().real->xGetLastError(state().real, size, out);
}

int faultCurrentTimeInt64(sqlite3_vfs *, sqlite3_int64 *now)
{
    return state().real->xCurrentTimeInt64(state().real, now);
}

void arm(Mode mode, int n, int writeCode)
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    s.mode = mode;
    s.n = n;
    s.writeCode = writeCode;
    s.calls = 0;
    s.fired = false;
    s.dark = false;
    s.disks.clear();
}

} // namespace

namespace FaultVfs {

void install()
{
    State &s = state();
    if (!s.real) {
        sqlite3_initialize();
        s.real = sqlite3_vfs_find("unix");
        s.methods = {3,
                     &faultClose,
                     &faultRead,
                     &faultWrite,
                     &faultTruncate,
                     &faultSync,
                     &faultFileSize,
                     &faultLock,
                     &faultUnlock,
                     &faultCheckReservedLock,
                     &faultFileControl,
                     &faultSectorSize,
                     &faultDeviceCharacteristics,
                     &faultShmMap,
                     &faultShmLock,
                     &faultShmBarrier,
                     &faultShmUnmap,
                     &faultFetch,
                     &faultUnfetch};
        s.vfs.iVersion = 2;
        s.vfs.szOsFile = int(sizeof(File)) + s.real->szOsFile;
        s.vfs.mxPathname = s.real->mxPathname;
        s.vfs.zName = "tendrel-fault";
        s.vfs.xOpen = &faultOpen;
        s.vfs.xDelete = &faultDelete;
        s.vfs.xAccess = &faultAccess;
        s.vfs.xFullPathname = &faultFullPathname;
        s.vfs.xDlOpen = &faultDlOpen;
        s.vfs.xDlError = &faultDlError;
        s.vfs.xDlSym = &faultDlSym;
        s.vfs.xDlClose = &faultDlClose;
        s.vfs.xRandomness = &faultRandomness;
        s.vfs.xSleep = &faultSleep;
        s.vfs.xCurrentTime = &faultCurrentTime;
        s.vfs.xGetLastError = &faultGetLastError;
        s.vfs.xCurrentTimeInt64 = &faultCurrentTimeInt64;
    }
    useForNewConnections(true);
}

void useForNewConnections(bool faulty)
{
    State &s = state();
    sqlite3_vfs_register(faulty ? &s.vfs : s.real, 1);
}

void failAt(int n, int code, bool persistent)
{
    arm(persistent ? Mode::failOnward : Mode::failOnce, n,
        (code & 0xff) == SQLITE_IOERR ? SQLITE_IOERR_WRITE : code);
}

void powerCutAt(int n)
{
    arm(Mode::powerCut, n, SQLITE_IOERR_WRITE);
}

void disarm()
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    s.mode = Mode::off;
    s.dark = false;
    s.disks.clear();
}

bool fired()
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    return s.fired;
}

int calls()
{
    State &s = state();
    const std::lock_guard lock(s.mutex);
    return s.calls;
}

} // namespace FaultVfs
