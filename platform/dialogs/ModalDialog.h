// ModalDialog.h — a modal dialog drawn with Dear ImGui over the program's window.
//
// While a dialog runs, its own loop takes the window's events and draws the dialog (over
// the window's last frame, or black) until the dialog ends; nothing else of the program
// runs meanwhile. Dialogs are sized for the window they stand in: their font and spacing
// grow with its height (DialogScale), so they read alike on a small and a dense display.
// Derived dialogs draw their controls in DrawContents and end with EndDialog, or through
// the default OK (Enter) and Cancel (Escape, or closing the dialog) handlers.
//
//     class CAboutDlg : public CModalDialog { ... };
//     CAboutDlg about;
//     about.DoModal(window);
#pragma once

#include <cstdint>
#include <string>

class CDisplayWindow;

constexpr int32_t DIALOG_OK = 1;       // IDOK
constexpr int32_t DIALOG_CANCEL = 2;   // IDCANCEL

class CModalDialog {
public:
    explicit CModalDialog(std::string caption);
    virtual ~CModalDialog();

    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Runs the dialog until it ends and returns its end code. Throws CFatalError when the
    // dialog cannot be drawn.
    int32_t DoModal(CDisplayWindow& window);

    // Ends the dialog with the code DoModal returns.
    void EndDialog(int32_t code);
    bool HasEnded() const { return m_ended; }
    const std::string& Caption() const { return m_caption; }

    // How much larger than at 720 pixels of height a dialog is drawn in an output of that
    // height: 1 below 900 pixels, then in quarter steps (1.5 at 1080, 3 at 2160), at most 4.
    static float DialogScale(int32_t outputHeight);

    // The dialog's own reactions, callable without drawing (tests drive dialogs this way).
    virtual bool OnInitDialog();   // before the first frame; the default does nothing
    virtual void OnOK();           // the default ends with DIALOG_OK
    virtual void OnCancel();       // the default ends with DIALOG_CANCEL

protected:
    // Draws the dialog's controls for one frame, inside its ImGui window.
    virtual void DrawContents() = 0;

private:
    // Takes the waiting events, up to the one that ends the dialog.
    void TakeEvents(const CDisplayWindow& window);
    // Draws one frame: the dialog's window, centred over black.
    void DrawFrame(const CDisplayWindow& window);

    std::string m_caption;
    bool m_ended = false;
    int32_t m_endCode = DIALOG_CANCEL;
};
