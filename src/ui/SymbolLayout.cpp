#include "ui/SymbolLayout.h"

namespace telbo {

SymbolLefts LayoutSymbolButtons(double windowWidth,
                                const std::array<double, kSymbolButtons>& widths) {
    SymbolLefts out{};
    auto& left = out.left;
    left[8] = windowWidth - widths[8] - kSymbolGap;
    left[7] = left[8] - widths[7] - kSymbolGap;
    left[6] = left[7] - widths[6] - kSymbolGap;
    left[5] = windowWidth - kSymbolGap - widths[5];
    for (int i = 4; i >= 0; --i)
        left[static_cast<std::size_t>(i)] =
            left[static_cast<std::size_t>(i) + 1] - kSymbolGap - widths[static_cast<std::size_t>(i)];
    return out;
}

} // namespace telbo
