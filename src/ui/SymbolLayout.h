#pragma once
// Placement of the nine symbol buttons along the window's right edge (twips).

#include <array>

namespace telbo {

inline constexpr int kSymbolButtons = 9;
inline constexpr double kSymbolGap = 100; // gap between buttons and to the right edge

struct SymbolLefts {
    std::array<double, kSymbolButtons> left;
};

// Upper row: buttons 6..8, right-aligned. Lower row: buttons 0..5, right-aligned. No clamping:
// in a narrow window buttons move left of 0 rather than overlap.
SymbolLefts LayoutSymbolButtons(double windowWidth,
                                const std::array<double, kSymbolButtons>& widths);

} // namespace telbo
