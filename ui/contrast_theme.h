#pragma once

namespace ui {

// Whether the user has a contrast theme on (called high contrast before Windows 11). Every text
// and background is then drawn in the theme's window colours. Asked again whenever the system
// says its colours or theme changed.
bool ContrastThemeOn();

}  // namespace ui
