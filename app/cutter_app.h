// CCutterApp: shows the dialog once and ends the program when it closes.
#pragma once

#include "platform/cwinapp.h"

class CCutterApp : public CWinApp {
public:
    CCutterApp() = default;

    // Called once at start-up.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CCutterApp theApp;
