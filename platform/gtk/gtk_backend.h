// The gtk backend's own side: the program's resources that it builds
// windows from, and what the layer tests look at.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>

#include "platform/dialog_units.h"
#include "platform_types.h"
#include "res/cutter_dialog_table.h"

namespace gtk_backend {

// A dialog template: the resource script's DIALOGEX as a table.
struct Template {
    UINT id;
    const dialog_table::Dialog* dialog;
    const dialog_table::Control* controls;
    size_t count;
};

// The template with this resource ID, or nullptr.
const Template* FindTemplate(UINT templateId);

// The session is ending (a signal): every dialog is told so, innermost
// first, and the main dialog is closed. Main thread only.
void EndSession();

// The dialog's own window, and one of its controls (by its template index,
// for the controls without an ID).
GtkWidget* Toplevel(HWND window);
GtkWidget* ControlAt(HWND window, size_t index);
// The base units that the dialog's template was laid out with: from the
// dialog font, as Windows takes them.
DialogBaseUnits BaseUnits(HWND window);

}  // namespace gtk_backend
