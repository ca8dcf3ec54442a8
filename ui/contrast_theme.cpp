#include "contrast_theme.h"

#include <windows.h>

namespace ui {

bool ContrastThemeOn() {
#ifdef VORLAX_AS_IN_CONTRAST_THEME
    // The test build that always sees one: Wine never reports a contrast theme.
    return true;
#else
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
#endif
}

}  // namespace ui
