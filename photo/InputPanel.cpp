#include "InputPanel.h"

#include "Rounding.h"
#include "TPanel.h"

void SizeInputPanel(TPanel& panel, int width, int height) {
    const long double ratio = static_cast<long double>(width) / height;
    // The scale is held as a double; the product is formed in extended precision.
    // The panel's setters let the photo view follow at once, also while the
    // output view is shown: the photo is fitted into the view right after.
    if (ratio > 1) {
        const double s = static_cast<double>(600.0L / width);
        panel.SetWidth(602);
        panel.SetHeight(Round(height * static_cast<long double>(s)) + 2);
    } else {
        const double s = static_cast<double>(600.0L / height);
        panel.SetHeight(602);
        panel.SetWidth(Round(width * static_cast<long double>(s)) + 2);
    }
}
