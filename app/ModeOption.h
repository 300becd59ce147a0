// ModeOption.h — display modes as the command line writes them: WxHxBPP[@HZ].
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/video/DisplayMode.h"

// "800x600x16" or "800x600x16@60" as a mode (refresh rate 0 when none is given); nothing
// for any other text, or for numbers that do not fit.
std::optional<DisplayMode> ParseModeText(const std::string& text);

// The mode as the command line writes it; "@HZ" only for a known refresh rate.
std::string ModeText(const DisplayMode& mode);

// Every mode the display layer lists (needs SDL's video started), in its order.
std::vector<DisplayMode> ListDisplayModes();

// The listed mode the request names: the same size and depth, and the same refresh rate
// when the request gives one (else the first listed rate). Throws CUsageError, listing
// the modes, when there is none.
DisplayMode FindListedMode(const DisplayMode& requested, const std::vector<DisplayMode>& listed);
