// The planted-DLL test's control: a program without Qarvel's guard that
// loads comdlg32 by the ordinary search, as Qarvel.exe did. Beside the
// planted DLLs it must load some of them; else the test that Qarvel.exe
// loads none of them would pass whatever the program does.
#include <windows.h>

int main()
{
    HMODULE dialogs = LoadLibraryA("comdlg32.dll");
    return dialogs ? 0 : 1;
}
