#include "Separators.h"

#include <algorithm>

std::span<const TSeparatorStrip> LayoutSeparators(int layout) {
    // The table is ordered by layout.
    const auto found = std::ranges::equal_range(SeparatorStrips, layout, {}, &TSeparatorStrip::Layout);
    return {found.begin(), found.end()};
}
