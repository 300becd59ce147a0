// VideoModeDlg.h — the "Video Mode" dialog: the user picks one of the display modes.
//
// The dialog lists one line per mode, in the order given, with the first preselected and
// scrolled into view. The selection is drawn as such (a strong bar with the keyboard's
// focus frame around it), the line under the pointer only faintly. OK (or Enter, or a
// double click on a line) takes the selected line's index into m_selectedMode; Cancel,
// Escape or closing the dialog leave it at −1. The logic runs without drawing:
//
//     CVideoModeDlg dialog;
//     dialog.SetModes(g_videoModes);
//     dialog.DoModal(window);
//     if (dialog.m_selectedMode != -1) ... g_videoModes[dialog.m_selectedMode] ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/VideoModes.h"
#include "platform/bitmaps/Rect.h"
#include "platform/dialogs/ModalDialog.h"

class CVideoModeDlg : public CModalDialog {
public:
    CVideoModeDlg();

    // Makes the list's texts, one per mode, in the modes' order. Call before DoModal.
    void SetModes(const CVideoModeArray& modes);

    // Puts the texts in the list and selects its first entry (none when it is empty).
    bool OnInitDialog() override;
    // Takes the list's selection (−1 when none) as the chosen mode, then ends with OK.
    void OnOK() override;

    // The list box: its entries, and the selected entry (−1 for none).
    const std::vector<std::string>& ListEntries() const { return m_listEntries; }
    int32_t GetCurSel() const { return m_modeList; }
    // Selects an entry, or nothing with −1. Throws CFatalError for an index outside the list.
    void SetCurSel(int32_t index);
    // Moves the selection by `step` entries, stopping at either end, as the arrow keys do;
    // with nothing selected, selects the first entry.
    void MoveSelection(int32_t step);
    // A double click on entry `index`: it is selected and the dialog ends with OK.
    void OnDblclkModeList(int32_t index);

    // Where entry `index` was drawn in the last frame (in window pixels); false when it was
    // not drawn (scrolled out of view, or no frame yet).
    bool RowRect(int32_t index, Rect& rect) const;

    // The chosen mode's index in the list (and so in the modes given), −1 when none.
    int32_t m_selectedMode = -1;

protected:
    void DrawContents() override;

private:
    // The label and the list of modes, sized for about six lines.
    void DrawModeList();
    // OK (the default button) and Cancel, one above the other.
    void DrawButtons();
    // Moves the selection by the list's keys pressed this frame.
    void TakeListKeys();

    // Notes where the row just drawn lies.
    void NoteRowPlace(size_t row);
    // Frames the row just drawn with the keyboard's focus frame when it is the selection.
    void DrawSelectedMark(bool selected) const;

    struct RowPlace {
        bool drawn = false;
        Rect rect;
    };

    int32_t m_modeList = -1;                 // the list's current selection
    std::vector<std::string> m_modeNames;    // one text per mode, in mode order
    std::vector<std::string> m_listEntries;  // what the list shows
    bool m_scrollToSelection = false;        // on opening, and after the keyboard moved it
    std::vector<RowPlace> m_rowPlaces;       // where each entry was drawn last
};
