// AboutDlg.h — the About box: "About Tolmix", the version line and OK.
#pragma once

#include "platform/dialogs/ModalDialog.h"

class CAboutDlg : public CModalDialog {
public:
    CAboutDlg();

protected:
    void DrawContents() override;
};
