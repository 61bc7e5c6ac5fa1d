// The entry point of the native program. By the time it runs, the static
// initialisers have made the application object. The command line is not
// used, beyond GTK's own options.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdio>

#include "gtk_backend.h"
#include "platform/cwinapp.h"

namespace {

gboolean OnSessionEnd(gpointer /*data*/)
{
    gtk_backend::EndSession();
    return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv)
{
    // The name the desktop knows the program by: its desktop entry, its
    // window class and its icon.
    g_set_prgname("qarvel");
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "qarvel: cannot open the display\n");
        return 1;
    }
    // A logout reaches the program as SIGTERM, from the session manager or
    // from systemd stopping the session's scope; a closed terminal as
    // SIGHUP, Ctrl+C as SIGINT. Each is taken as Windows' end of a session,
    // on the main loop: a cut in progress stops and removes its unfinished
    // file, then the program ends.
    for (int number : { SIGTERM, SIGHUP, SIGINT })
        g_unix_signal_add(number, OnSessionEnd, nullptr);
    return AfxWinMain();
}
