#include "FontHeight.h"

#include <QWidget>
#include <cstdlib>

namespace {
void ApplyFontHeight(QWidget& control) {
    const QVariant height = control.property("FontHeight");
    if (!height.isValid() || height.toInt() == 0)
        return;
    QFont font = control.font();
    font.setPixelSize(std::abs(height.toInt()));
    control.setFont(font);
}
} // namespace

void ApplyFontHeights(QWidget& root) {
    // Parents first, so a child's own size is the last word.
    ApplyFontHeight(root);
    for (QWidget* child : root.findChildren<QWidget*>())
        ApplyFontHeight(*child);
}
