// The entry point of the graphical program. By the time it runs, the
// runtime has run the static initialisers (the code page first, then the
// application object). The command line and the show state are not used.
#include "platform/cwinapp.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/)
{
    return AfxWinMain();
}
