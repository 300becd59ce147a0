// VideoModeDlg.cpp — the "Video Mode" dialog's choices, and its layout: the list of modes
// at the left under its label, OK and Cancel at the right.
#include "display/VideoModeDlg.h"

#include <imgui.h>

#include <algorithm>

#include "platform/bitmaps/FatalError.h"

namespace {

// The list shows about six lines; the quarter line shows there is more to scroll to.
constexpr float LIST_HEIGHT_IN_LINES = 6.25f;
// The list is never narrower than the longest usual line.
constexpr const char* WIDEST_USUAL_LINE = "0000x0000, True Color, 000 hz";
// Both buttons are as wide as this text with the usual padding, and a little more.
constexpr const char* WIDEST_BUTTON_TEXT = "Cancel";
constexpr float BUTTON_EXTRA_WIDTH = 24.0f;
// Page Up and Page Down move the selection by the lines in view.
constexpr int32_t PAGE_LINES = 6;

// The width of the widest text, at the current font.
float WidestText(const std::vector<std::string>& texts, float atLeast)
{
    float widest = atLeast;
    for (const std::string& text : texts)
        widest = std::max(widest, ImGui::CalcTextSize(text.c_str()).x);
    return widest;
}

// Whether ImGui's key `key` was pressed this frame (held keys repeat).
bool KeyPressed(ImGuiKey key)
{
    return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key));
}

// Whether the last item lies wholly inside the current window's visible part.
bool LastItemWhollyVisible()
{
    const float windowTop = ImGui::GetWindowPos().y;
    const float windowBottom = windowTop + ImGui::GetWindowSize().y;
    return ImGui::GetItemRectMin().y >= windowTop && ImGui::GetItemRectMax().y <= windowBottom;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Choices
// ---------------------------------------------------------------------------------------

CVideoModeDlg::CVideoModeDlg() : CModalDialog("Video Mode") {}

void CVideoModeDlg::SetModes(const CVideoModeArray& modes)
{
    m_modeNames.clear();
    m_modeNames.reserve(static_cast<size_t>(modes.GetSize()));
    for (const VideoMode& mode : modes)
        m_modeNames.push_back(DescribeMode(mode));
}

// The list is not sorted, so entry i is mode i.
bool CVideoModeDlg::OnInitDialog()
{
    CModalDialog::OnInitDialog();
    m_listEntries = m_modeNames;
    SetCurSel(m_listEntries.empty() ? -1 : 0);
    return true;
}

void CVideoModeDlg::OnOK()
{
    m_selectedMode = m_modeList;
    CModalDialog::OnOK();
}

void CVideoModeDlg::SetCurSel(int32_t index)
{
    if (index < -1 || index >= static_cast<int32_t>(m_listEntries.size()))
        throw CFatalError("video mode dialog: no list entry " + std::to_string(index) + " among "
                          + std::to_string(m_listEntries.size()));
    m_modeList = index;
}

void CVideoModeDlg::MoveSelection(int32_t step)
{
    const auto count = static_cast<int32_t>(m_listEntries.size());
    if (count == 0)
        return;
    if (m_modeList < 0) {
        SetCurSel(0);
        return;
    }
    const int64_t wanted = int64_t{m_modeList} + step;
    SetCurSel(static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, count - 1)));
}

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

void CVideoModeDlg::DrawContents()
{
    TakeListKeys();
    ImGui::BeginGroup();
    DrawModeList();
    ImGui::EndGroup();
    ImGui::SameLine(0.0f, 2.0f * ImGui::GetStyle().ItemSpacing.x);
    ImGui::BeginGroup();
    DrawButtons();
    ImGui::EndGroup();
}

// The list takes the arrow keys, Home, End, Page Up and Page Down, as a list box with the
// focus does; a click selects; a double click does nothing more.
void CVideoModeDlg::TakeListKeys()
{
    const auto count = static_cast<int32_t>(m_listEntries.size());
    const int32_t before = m_modeList;
    if (KeyPressed(ImGuiKey_UpArrow))
        MoveSelection(-1);
    if (KeyPressed(ImGuiKey_DownArrow))
        MoveSelection(1);
    if (KeyPressed(ImGuiKey_PageUp))
        MoveSelection(-PAGE_LINES);
    if (KeyPressed(ImGuiKey_PageDown))
        MoveSelection(PAGE_LINES);
    if (KeyPressed(ImGuiKey_Home))
        MoveSelection(-count);
    if (KeyPressed(ImGuiKey_End))
        MoveSelection(count);
    m_scrollToSelection = m_scrollToSelection || m_modeList != before;
}

void CVideoModeDlg::DrawModeList()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const float textWidth = WidestText(m_listEntries, ImGui::CalcTextSize(WIDEST_USUAL_LINE).x);
    const ImVec2 size(textWidth + 2.0f * style.FramePadding.x + style.ScrollbarSize,
                      LIST_HEIGHT_IN_LINES * ImGui::GetTextLineHeightWithSpacing()
                          + 2.0f * style.FramePadding.y);

    ImGui::TextUnformatted("Available Video Modes");
    if (!ImGui::BeginListBox("##modes", size))
        return;
    for (size_t i = 0; i < m_listEntries.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        ImGui::PushID(index);   // two modes may read alike
        if (ImGui::Selectable(m_listEntries[i].c_str(), index == m_modeList))
            SetCurSel(index);
        if (m_scrollToSelection && index == m_modeList && !LastItemWhollyVisible())
            ImGui::SetScrollHereY(0.5f);
        ImGui::PopID();
    }
    m_scrollToSelection = false;
    ImGui::EndListBox();
}

// OK is the default button, framed more strongly as such buttons are.
void CVideoModeDlg::DrawButtons()
{
    const ImGuiStyle& style = ImGui::GetStyle();
    const ImVec2 size(ImGui::CalcTextSize(WIDEST_BUTTON_TEXT).x + 2.0f * style.FramePadding.x
                          + BUTTON_EXTRA_WIDTH,
                      0.0f);

    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.0f);
    ImGui::PushStyleColor(ImGuiCol_Border, style.Colors[ImGuiCol_Text]);
    const bool ok = ImGui::Button("OK", size);
    ImGui::PopStyleColor();
    ImGui::PopStyleVar();
    if (ok)
        OnOK();

    if (ImGui::Button("Cancel", size))
        OnCancel();
}
