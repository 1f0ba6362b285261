#include "TBitBtn.h"

#include <QPixmap>

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {}

void TBitBtn::SetGlyph(const QString& resource) {
    glyph_ = resource;
    const QPixmap pixmap(resource);
    setIcon(QIcon(pixmap));
    setIconSize(pixmap.size());
}
