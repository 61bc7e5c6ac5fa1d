// The program's resources, compiled in as the Windows builds link theirs:
// the dialog templates' tables and the icon.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include "gtk_backend.h"
#include "platform/resources.h"
#include "res/progress_dialog_table.h"
#include "res/qarvel_icon.h"
#include "res/resource.h"

const gtk_backend::Template* gtk_backend::FindTemplate(UINT templateId)
{
    static const Template templates[] = {
        { IDD_CUTTER_DIALOG, &dialog_table::kDialog, dialog_table::kControls,
          sizeof dialog_table::kControls / sizeof dialog_table::kControls[0] },
        { IDD_CUT_PROGRESS, &dialog_table::kProgressDialog, dialog_table::kProgressControls,
          sizeof dialog_table::kProgressControls / sizeof dialog_table::kProgressControls[0] },
    };
    for (const Template& found : templates) {
        if (found.id == templateId)
            return &found;
    }
    return nullptr;
}

HINSTANCE AfxFindResourceHandle(LPCTSTR /*name*/, LPCTSTR /*type*/)
{
    static char module;
    return reinterpret_cast<HINSTANCE>(&module);
}

namespace {

GdkPixbuf* LoadIcon()
{
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("ico", nullptr);
    if (!loader)
        return nullptr;
    GdkPixbuf* icon = nullptr;
    if (gdk_pixbuf_loader_write(loader, kQarvelIcon, sizeof kQarvelIcon, nullptr)
        && gdk_pixbuf_loader_close(loader, nullptr)) {
        icon = gdk_pixbuf_loader_get_pixbuf(loader);
        if (icon)
            g_object_ref(icon);
    }
    g_object_unref(loader);
    return icon;
}

}  // namespace

HICON AfxLoadIcon(UINT id)
{
    // Loaded once and kept, as Windows keeps a module's resource icons.
    static GdkPixbuf* icon = LoadIcon();
    return id == IDR_MAINFRAME ? reinterpret_cast<HICON>(icon) : nullptr;
}

int AfxGetSystemMetrics(int index)
{
    // The window manager draws a minimized window's icon; the program only
    // asks for the size to centre it on its own.
    return index == SM_CXICON || index == SM_CYICON ? 32 : 0;
}
