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
// The selection is a strong blue bar; the line under the pointer is only tinted.
const ImVec4 SELECTION_COLOUR(0.16f, 0.42f, 0.86f, 1.0f);
const ImVec4 HOVER_COLOUR(1.0f, 1.0f, 1.0f, 0.10f);
constexpr float FOCUS_FRAME_WIDTH = 1.0f;

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

// The list is not sorted, so entry i is mode i. It opens scrolled to the selection.
bool CVideoModeDlg::OnInitDialog()
{
    CModalDialog::OnInitDialog();
    m_listEntries = m_modeNames;
    m_rowPlaces.assign(m_listEntries.size(), RowPlace{});
    SetCurSel(m_listEntries.empty() ? -1 : 0);
    m_scrollToSelection = true;
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

void CVideoModeDlg::OnDblclkModeList(int32_t index)
{
    SetCurSel(index);
    OnOK();
}

bool CVideoModeDlg::RowRect(int32_t index, Rect& rect) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_rowPlaces.size() || !m_rowPlaces[index].drawn)
        return false;
    rect = m_rowPlaces[index].rect;
    return true;
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
// focus does (it always has the focus: the buttons answer to Enter and Escape).
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
    // The hover only tints a line; the selection keeps its full colour under the pointer.
    ImGui::PushStyleColor(ImGuiCol_Header, SELECTION_COLOUR);
    ImGui::PushStyleColor(ImGuiCol_HeaderActive, SELECTION_COLOUR);
    ImGui::PushStyleColor(ImGuiCol_HeaderHovered, HOVER_COLOUR);
    for (size_t i = 0; i < m_listEntries.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        const bool selected = index == m_modeList;
        ImGui::PushID(index);   // two modes may read alike
        if (selected)
            ImGui::PushStyleColor(ImGuiCol_HeaderHovered, SELECTION_COLOUR);
        const bool clicked = ImGui::Selectable(m_listEntries[i].c_str(), selected,
                                               ImGuiSelectableFlags_AllowDoubleClick);
        if (selected)
            ImGui::PopStyleColor();
        NoteRowPlace(i);
        DrawSelectedMark(selected);
        if (clicked && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left))
            OnDblclkModeList(index);
        else if (clicked)
            SetCurSel(index);
        if (m_scrollToSelection && selected && !LastItemWhollyVisible())
            ImGui::SetScrollHereY(0.5f);
        ImGui::PopID();
    }
    ImGui::PopStyleColor(3);
    m_scrollToSelection = false;
    ImGui::EndListBox();
}

void CVideoModeDlg::NoteRowPlace(size_t row)
{
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    m_rowPlaces[row] = RowPlace{ImGui::IsItemVisible(),
                                Rect{static_cast<int32_t>(min.x), static_cast<int32_t>(min.y),
                                     static_cast<int32_t>(max.x), static_cast<int32_t>(max.y)}};
}

// The focus frame: a line of the text's colour just inside the bar.
void CVideoModeDlg::DrawSelectedMark(bool selected) const
{
    if (!selected)
        return;
    const float inset = 1.0f;
    const ImVec2 min = ImGui::GetItemRectMin();
    const ImVec2 max = ImGui::GetItemRectMax();
    ImGui::GetWindowDrawList()->AddRect(ImVec2(min.x + inset, min.y + inset), ImVec2(max.x - inset, max.y - inset),
                                        ImGui::GetColorU32(ImGuiCol_Text), 0.0f, 0, FOCUS_FRAME_WIDTH);
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
