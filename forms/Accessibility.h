// SPDX-License-Identifier: MIT
#pragma once

// How assistive technology (a screen reader, through the desktop's accessibility bus) sees the forms
// runtime's windows and controls: one interface per kind (Form, PictureBox, ImageArea, Label, and the groups
// some controls join), each reading the role, texts, states and action the form gave the control
// (Control::accessibility()).
namespace Accessibility {
// Installs the interfaces with Qt's accessibility; the first Form to be built calls it, later calls do
// nothing.
void install();
} // namespace Accessibility
