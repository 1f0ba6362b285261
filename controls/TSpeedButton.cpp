#include "TSpeedButton.h"

#include "DensePictures.h"

#include <QPixmap>

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFocusPolicy(Qt::NoFocus);
}

void TSpeedButton::SetGlyph(const QString& resource) {
    glyph_ = resource;
    setIcon(GlyphIcon(resource));
    setIconSize(QPixmap(resource).size());
}
