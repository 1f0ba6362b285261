#include "TLabel.h"

TLabel::TLabel(QWidget* parent) : QLabel(parent) {}

void TLabel::SetCaption(const QString& caption) {
    setText(caption);
    resize(sizeHint().width(), height());
}
