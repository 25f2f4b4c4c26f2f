// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kv {

// Sizes shared by the parts of the main window, in logical pixels (they scale with the screen).
inline constexpr int kMainPictureSize = 40; // pictures of the main window's buttons
inline constexpr int kGroupGap = 12;        // space between groups of buttons
inline constexpr int kPreviewWidth = 208;   // the preview keeps a 4:3 landscape shape
inline constexpr int kPreviewHeight = 156;

} // namespace kv
