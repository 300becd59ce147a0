// AboutDlg.cpp — the About box's layout: the version line, the keys, and OK at the right
// below them.
#include "app/AboutDlg.h"

#include <imgui.h>

#include <algorithm>

#include "app/Resources.h"
#include "TolmixVersion.h"

namespace {

// The box is about as wide as its classic 235 dialog units, whatever the text; sizes are
// in lines and characters of the dialog's font, which grows with the display.
constexpr float MIN_WIDTH_IN_CHARACTERS = 38.0f;
constexpr float BUTTON_WIDTH_IN_CHARACTERS = 10.0f;

} // namespace

CAboutDlg::CAboutDlg() : CModalDialog("About Tolmix") {}

std::string CAboutDlg::VersionLine()
{
    return std::string("Tolmix Version ") + TOLMIX_VERSION;
}

// OK is the default button, framed more strongly as such buttons are (Enter presses it).
void CAboutDlg::DrawContents()
{
    const float character = ImGui::CalcTextSize("0").x;
    const float minWidth = MIN_WIDTH_IN_CHARACTERS * character;
    const float buttonWidth = BUTTON_WIDTH_IN_CHARACTERS * character;
    ImGui::Dummy(ImVec2(minWidth, 0.0f));
    ImGui::TextUnformatted(VersionLine().c_str());
    ImGui::Spacing();
    for (const auto& [keys, action] : KeysHelp()) {
        ImGui::TextUnformatted(keys);
        ImGui::SameLine(16.0f * character);
        ImGui::TextUnformatted(action);
    }
    ImGui::Spacing();
    ImGui::Spacing();

    const ImGuiStyle& style = ImGui::GetStyle();
    const float right = std::max(minWidth, ImGui::GetContentRegionAvail().x);
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + right - buttonWidth);
    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1.0f);
    ImGui::PushStyleColor(ImGuiCol_Border, style.Colors[ImGuiCol_Text]);
    const bool ok = ImGui::Button("OK", ImVec2(buttonWidth, 0.0f));
    ImGui::PopStyleColor();
    ImGui::PopStyleVar();
    if (ok)
        OnOK();
}
