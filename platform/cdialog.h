// CDialog: a modal dialog made from a dialog template resource.
#pragma once

#include "platform/cwnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Runs the dialog's modal loop; returns the value given to EndDialog, or
    // -1 when the dialog could not be created. The owner is disabled
    // meanwhile.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Called once the controls exist, before the dialog is shown. Returning
    // TRUE puts the focus on the first tab stop.
    virtual BOOL OnInitDialog();
    // Called on IDOK (the OK button or Enter).
    virtual void OnOK();
    // Called on IDCANCEL (the Cancel button, Escape or the close box).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}

    UINT TemplateId() const { return m_templateId; }

protected:
    DECLARE_MESSAGE_MAP()

    UINT m_templateId;
    CWnd* m_pParentWnd;
};
