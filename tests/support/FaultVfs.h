#pragma once

// An SQLite VFS for tests that fails a chosen I/O call or cuts the power at a chosen sync, in the
// manner of SQLite's own I/O-error and crash tests. It wraps the default "unix" VFS; every call
// passes straight through until a fault is armed.
//
// Counted calls are xOpen, xWrite, xSync and xTruncate of every file (the store, its -wal and
// -journal, temporary files), on every thread, numbered from 1 after each arm:
//   - failAt(n, code, false): the n-th counted call fails with code, later ones succeed (a passing
//     I/O error).
//   - failAt(n, code, true): the n-th and every later counted call fails (a disk that stays full)
//     until disarm().
//   - powerCutAt(n): at the n-th xSync every write made since each file last reached the disk (its
//     last xSync) is thrown away, the files keep only what was synced, and every later read, write,
//     sync, truncate, open and delete fails until disarm(), as if the machine had gone dark.
//
//     FaultVfs::install();                    // once; connections opened from now on go through it
//     FaultVfs::failAt(3, SQLITE_FULL, true);
//     ... run a write path ...
//     FaultVfs::disarm();                     // space freed, or the machine powered up again
//     if (!FaultVfs::fired()) ... the path needed fewer than 3 calls: every point has been tried
//
// Connections opened before install() keep the plain VFS. A file counts as synced up to where it
// was when the fault was armed, or when the cut first saw it.
namespace FaultVfs {

// Registers the VFS as SQLite's default (idempotent).
void install();
// Makes "unix" the default again for connections opened from now on, or the fault VFS.
void useForNewConnections(bool faulty);

void failAt(int n, int code, bool persistent);
void powerCutAt(int n);
// Stops counting and failing; after a power cut the files stay as the cut left them.
void disarm();

// Whether the armed fault happened.
bool fired();
// Counted calls since the last arm.
int calls();

} // namespace FaultVfs
