// Test seams of the POSIX file half, which the headless backend's tests
// set and the programs leave alone. Each hook is called, when set, just
// before the call it names reaches the file system, so that a test can make
// a real change there (unlink, truncate, create) at that exact moment; they
// never stand in for the call's result, but for the two faults that no test
// can make on POSIX: a disk that refuses fsync, and another program holding
// a file the way Windows refuses to rename or remove it.
#pragma once

#include <functional>
#include <vector>

#include "platform_types.h"

namespace posix {

struct FileHooks {
    std::function<void(const char* path, UINT flags)> beforeOpen;
    std::function<void()> beforeRead;
    std::function<void(const char* from, const char* to)> beforeRename;
    // False fails the flush as a disk error would: of the file's bytes, and
    // of the folder that holds its new name after the rename.
    std::function<bool()> beforeFlush;
    std::function<bool()> beforeFolderFlush;
    // True has BeginFlushData refuse, as where a flush can only be waited
    // for: the copy then flushes each piece before the next.
    bool noFlushInBackground = false;
    // Renames and removals refused as "in use by another program" before
    // the file system is asked, as Windows refuses them while a virus
    // scanner holds a just-closed file; each refusal counts one down.
    int renamesInUse = 0;
    int removesInUse = 0;
    // The pauses between such tries, in milliseconds: recorded, not slept.
    std::vector<int> pausesMs;
    // Called before each piece of a slice goes to its output (from the
    // copy's thread), with where it starts and how long it is: a test's
    // slow disk advances its clock there, or acts at that moment.
    std::function<void(ULONGLONG at, UINT count)> beforeWritePiece;
    // The clock that AfxTickCount reads, when set.
    std::function<ULONGLONG()> clock;
};

// The hooks in force, or nullptr (a program: no seams, real pauses).
FileHooks* ActiveFileHooks();
void SetActiveFileHooks(FileHooks* hooks);

}  // namespace posix
