#include "TBitBtn.h"

#include "DensePictures.h"

#include <QPixmap>

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {}

void TBitBtn::SetGlyph(const QString& resource) {
    glyph_ = resource;
    setIcon(GlyphIcon(resource));
    setIconSize(QPixmap(resource).size());
}
