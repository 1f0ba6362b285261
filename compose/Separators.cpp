#include "Separators.h"

#include <algorithm>

std::span<const TSeparatorSpec> LayoutSeparators(int layout) {
    // The table is ordered by layout.
    const auto found = std::ranges::equal_range(SeparatorSpecs, layout, {}, &TSeparatorSpec::Layout);
    return {found.begin(), found.end()};
}
