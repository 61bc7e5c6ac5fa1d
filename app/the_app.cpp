#include "app/cutter_app.h"

// The one application object, constructed before start-up calls AfxWinMain.
CCutterApp theApp;
