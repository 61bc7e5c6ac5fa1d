// The copy of a cut behind a progress window. The copy runs on a worker
// thread while the form's thread keeps answering the window system in a
// loop of its own, the form disabled; the progress window, owned by the
// form, is made only once the copy has run for half a second, so that a
// short cut looks, and costs, as it always did.
#pragma once

#include "core/cut_copy.h"
#include "platform/cwnd.h"

// Runs the copy to its end. Where no worker thread can be had, the copy runs
// on this thread as a short cut would.
void CopyWithProgress(CWnd& form, CutCopy& copy);

// The program is closing while a cut runs (its dialog closed): the copy
// stops at its next piece, removes its unfinished file, and the cut ends
// without a message. Nothing happens when no cut runs.
void AbandonCutInProgress();
