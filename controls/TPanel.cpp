#include "TPanel.h"

#include "TImage.h"

#include <QPainter>

TPanel::TPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

void TPanel::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignCenter, caption_);
}

void TPanel::SetWidth(int width) {
    resize(width, height());
    AlignChildren();
}

void TPanel::SetHeight(int height) {
    resize(width(), height);
    AlignChildren();
}

void TPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AlignChildren();
}

void TPanel::AlignChildren() {
    for (auto* image : findChildren<TImage*>(Qt::FindDirectChildrenOnly))
        if (image->AlignClient())
            image->setGeometry(rect());
}
