// The path the cut command writes to, formed from the name the user chose.
#pragma once

#include "platform/cstring.h"

// Lowers the chosen path and appends ".mp3" unless ".mp3" occurs anywhere in
// the lowered path (even in a folder name). Where file names are case
// sensitive, only the last component is lowered, since lowering a folder
// name would name another folder; the ".mp3" search still looks at the
// whole lowered path, so the result is the same file name everywhere.
CString OutputPathFor(const CString& chosen);

// Where the slice is written before it gets the output's name: a file in the
// output's folder named "~qarvel-N.part", a name a user reads as unfinished
// (the tilde and ".part" of unfinished downloads and documents). N counts
// from 1; each attempt takes the first name that is free, so one left by a
// killed cut is never in the way, and none is ever removed but the
// attempt's own (a file of that name may be the user's). Short plain ASCII,
// so no rule of names refuses it where the output's name passes. It is never
// an output path: those always hold ".mp3".
CString UnfinishedPathFor(const CString& output, int attempt);

// True when any directory entry stands at path: a file, a folder, a link.
bool AnythingAt(const CString& path);
