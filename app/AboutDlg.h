// AboutDlg.h — the About box: "About Tolmix", the version line and OK.
#pragma once

#include <string>

#include "platform/dialogs/ModalDialog.h"

class CAboutDlg : public CModalDialog {
public:
    CAboutDlg();

    // "Tolmix Version " and the program's version, the box's first line.
    static std::string VersionLine();

protected:
    void DrawContents() override;
};
