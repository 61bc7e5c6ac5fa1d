// A file that another program holds for a moment. A virus scanner or the
// search indexer opens each new file as soon as it is closed, to look
// inside, and while it does Windows refuses to rename or remove it (it was
// opened without FILE_SHARE_DELETE). The backends' CFile::Rename and
// CFile::Remove wait such a hold out: the refused step is tried again after
// growing pauses, about two seconds in all. Any other outcome ends the tries
// at once, a taken name above all.
#pragma once

#include <functional>

// The pauses between tries, in milliseconds: 2000 in all.
constexpr int kFileInUsePausesMs[] = { 10, 20, 40, 80, 150, 250, 400, 500, 550 };

// Calls attempt, and again after each pause while it answers true: "the
// file is in use". The attempt keeps its own result.
void AfxRetryWhileInUse(const std::function<bool()>& attempt);

// The backend's pause between two tries.
void AfxPauseMs(int milliseconds);
