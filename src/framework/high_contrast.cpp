// High contrast, as the user set it: pictures are then drawn in the text
// colours the user chose.
#include "framework/afx.h"

namespace {

std::optional<bool> highContrastAnswer;

}  // namespace

bool AfxHighContrastOn() {
    if (highContrastAnswer) return *highContrastAnswer;
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)) return false;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

namespace afxtest {
void SetHighContrast(std::optional<bool> on) { highContrastAnswer = on; }
}  // namespace afxtest
