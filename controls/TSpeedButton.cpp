#include "TSpeedButton.h"

#include <QPixmap>

TSpeedButton::TSpeedButton(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setFocusPolicy(Qt::NoFocus);
}

void TSpeedButton::SetGlyph(const QString& resource) {
    glyph_ = resource;
    const QPixmap pixmap(resource);
    setIcon(QIcon(pixmap));
    setIconSize(pixmap.size());
}
