// SPDX-License-Identifier: MIT
#pragma once

#include "../forms/SwitchLook.h"

#include <optional>

// The tab's four switch buttons.
enum class Switch { StayOnTop, HoverOpen, AutoRetract, Sound };

// The one place a switch's look becomes a picture: its number in the tab's button image list (1-based), or
// nothing for a switch left as drawn. A dimmed switch wears its off picture.
std::optional<int> switchPicture(Switch which, SwitchLook look);
