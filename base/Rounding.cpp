#include "Rounding.h"

#include <cmath>

int Round(long double value) {
    // nearbyint honours the current rounding mode, which the program never
    // changes from round-to-nearest-even.
    return static_cast<int>(std::nearbyint(value));
}
