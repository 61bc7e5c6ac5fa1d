// The open-source command: the user picks the file to cut; its path and
// length go into the form.
#pragma once

#include "platform/cwnd.h"

// Called when the open button is clicked.
void RunOpenSourceCommand(CWnd& form);
