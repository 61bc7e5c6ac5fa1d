// CCutterDlg: the program's one window. It shows the icon, paints itself
// when minimized and routes the user's actions to the cutting core.
#pragma once

#include "platform/cdialog.h"
#include "res/resource.h"

class CCutterDlg : public CDialog {
public:
    explicit CCutterDlg(CWnd* parent = nullptr);

    enum { IDD = IDD_CUTTER_DIALOG };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Called on IDOK (the save button or Enter): cuts, and stays open.
    void OnOK() override;
    // Called on IDCANCEL (the close button, Escape, the close box, and the
    // taskbar's close, which reaches the dialog even while a cut has it
    // disabled): a cut that runs is stopped, then the dialog closes.
    void OnCancel() override;

    // Called on WM_PAINT.
    void OnPaint();
    // Called while the minimized window is dragged: the icon is the cursor.
    HCURSOR OnQueryDragIcon();
    // Called when the open button is clicked.
    void OnOpenSource();
    // Called on every change of the total-seconds field.
    void OnChangeTotalSeconds();
    // Called on every change of the start-seconds or end-seconds field.
    void OnChangeCutRange();

    HICON m_hIcon;

    DECLARE_MESSAGE_MAP()
};
