// The entry point of the native program. By the time it runs, the static
// initialisers have made the application object. The command line is not
// used, beyond GTK's own options.
#include <gtk/gtk.h>

#include <cstdio>

#include "platform/cwinapp.h"

int main(int argc, char** argv)
{
    // The name the desktop knows the program by: its desktop entry, its
    // window class and its icon.
    g_set_prgname("qarvel");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "qarvel: cannot open the display\n");
        return 1;
    }
    return AfxWinMain();
}
