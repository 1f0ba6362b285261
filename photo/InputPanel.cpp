#include "InputPanel.h"

#include "Rounding.h"

#include <QWidget>

void SizeInputPanel(QWidget& panel, int width, int height) {
    const long double ratio = static_cast<long double>(width) / height;
    if (ratio > 1) {
        const double s = 600.0 / width;
        panel.resize(602, panel.height());
        panel.resize(panel.width(), Round(static_cast<long double>(height) * s) + 2);
    } else {
        const double s = 600.0 / height;
        panel.resize(panel.width(), 602);
        panel.resize(Round(static_cast<long double>(width) * s) + 2, panel.height());
    }
}
