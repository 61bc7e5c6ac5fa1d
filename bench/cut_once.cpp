// One cut through the real cut command on the headless backend, as the
// dialog runs it: cut_once SOURCE START COUNT OUTPUT. Exits 0 when the
// success message was shown.
#include <cstdio>
#include <string>
#include <vector>

#include "core/cut_command.h"
#include "core/messages.h"
#include "platform/headless/headless.h"
#include "res/resource.h"

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: cut_once SOURCE START COUNT OUTPUT\n");
        return 2;
    }
    headless::Session session;
    // The real clock, and the progress window's template: the cut sizes its
    // pieces and runs its copy as the program does.
    session.clock = nullptr;
    session.RegisterTemplate(IDD_CUT_PROGRESS,
                             { { IDC_CUT_PROGRESS, "PROGRESS", true, "" }, { IDC_CUT_WRITTEN, "STATIC", true, "" },
                               { IDC_CUT_TIME_LEFT, "STATIC", true, "" }, { IDCANCEL, "BUTTON", true, "" } });
    std::vector<headless::ControlSpec> controls;
    for (int id = IDC_SOURCE_PATH; id <= IDC_BYTE_COUNT; ++id)
        controls.push_back({ id, "EDIT", true, "" });
    CWnd form;
    headless::Window window(form, controls);
    form.SetDlgItemText(IDC_SOURCE_PATH, argv[1]);
    form.SetDlgItemText(IDC_START_BYTE, argv[2]);
    form.SetDlgItemText(IDC_BYTE_COUNT, argv[3]);
    session.AnswerFileDialog(argv[4]);
    RunCutCommand(form);
    bool done = session.messageBoxes.size() == 1 && session.messageBoxes[0].text == TXT_CUT_DONE;
    if (!done)
        std::fprintf(stderr, "cut_once: the cut did not succeed\n");
    return done ? 0 : 1;
}
