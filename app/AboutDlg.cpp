// AboutDlg.cpp — the About box's layout: the version line, and OK at the right below it.
#include "app/AboutDlg.h"

#include <imgui.h>

#include <algorithm>

namespace {

// The box is about as wide as its classic 235 dialog units, whatever the text.
constexpr float MIN_WIDTH = 300.0f;
constexpr float BUTTON_WIDTH = 80.0f;

} // namespace

CAboutDlg::CAboutDlg() : CModalDialog("About Tolmix") {}

// OK is the default button, framed more strongly as such buttons are (Enter presses it).
void CAboutDlg::DrawContents()
{
    ImGui::Dummy(ImVec2(MIN_WIDTH, 0.0f));
    ImGui::TextUnformatted("Tolmix Version 1.0");
    ImGui::Spacing();
    ImGui::Spacing();

    const ImGuiStyle& style = ImGui::GetStyle();
    const float right = std::max(MIN_WIDTH, ImGui::GetContentRegionAvail().x);
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + right - BUTTON_WIDTH);
    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.0f);
    ImGui::PushStyleColor(ImGuiCol_Border, style.Colors[ImGuiCol_Text]);
    const bool ok = ImGui::Button("OK", ImVec2(BUTTON_WIDTH, 0.0f));
    ImGui::PopStyleColor();
    ImGui::PopStyleVar();
    if (ok)
        OnOK();
}
