// SPDX-License-Identifier: MIT
#pragma once

// How a switch button of the tab looks. A dimmed switch cannot be used just now; one left as drawn keeps the
// picture it already shows, where the rules give it none. The window maps each look to its picture
// (app/SwitchPictures.h).
enum class SwitchLook { On, Off, Dimmed, AsDrawn };
