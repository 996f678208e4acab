// SPDX-License-Identifier: MIT
#include "SwitchPictures.h"

namespace {
struct SwitchFaces {
    Switch which;
    int off; // the dark face
    int on;  // the lit face
};
constexpr SwitchFaces kFaces[] = {
    {Switch::HoverOpen, 1, 2},
    {Switch::StayOnTop, 3, 4},
    {Switch::AutoRetract, 7, 8},
    {Switch::Sound, 9, 10},
};
} // namespace

std::optional<int> switchPicture(Switch which, SwitchLook look) {
    if (look == SwitchLook::AsDrawn)
        return std::nullopt;
    for (const SwitchFaces& faces : kFaces) {
        if (faces.which == which)
            return look == SwitchLook::On ? faces.on : faces.off;
    }
    return std::nullopt;
}
