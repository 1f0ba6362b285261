#include "TImage.h"

#include "DensePictures.h"
#include "Exceptions.h"
#include "TCanvas.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    // A repaint is scheduled, never performed inside the change.
    picture_.SetOnChange([this] { update(); });
}

TImage::~TImage() { picture_.SetOnChange(nullptr); }

TCanvas* TImage::Canvas() {
    if (picture_.HasOtherGraphic())
        throw EInvalidOperation("ビットマップを持っている時のみイメージの変更が可能です");
    if (picture_.Empty()) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetWidth(width());
        bitmap->SetHeight(height());
        picture_.SetBitmap(std::move(bitmap));
    }
    return picture_.Bitmap()->Canvas();
}

void TImage::SetStoredBitmap(const QString& resource) {
    storedBitmap_ = resource;
    QImage image(resource);
    auto bitmap = std::make_unique<TBitmap>();
    if (!image.isNull())
        bitmap->SetImage(image.convertToFormat(QImage::Format_RGB888));
    picture_.SetBitmap(std::move(bitmap));
}

void TImage::SetStoredGraphic(const QString& resource) {
    storedGraphic_ = resource;
    picture_.SetGraphic(QImage(resource));
    denseGraphic_ = DoubleDensityPicture(resource);
    storedGraphicKey_ = picture_.Graphic().cacheKey();
}

void TImage::SetAlignClient(bool on) {
    alignClient_ = on;
    if (on && parentWidget())
        setGeometry(parentWidget()->rect());
}

void TImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (TBitmap* bitmap = picture_.BitmapOrNull()) {
        bitmap->AcknowledgeChange();
        if (!bitmap->Empty())
            painter.drawImage(0, 0, bitmap->Image());
    } else if (picture_.HasOtherGraphic()) {
        // At one device pixel per logical pixel the stored picture, exactly;
        // on a denser screen the dense one, which stays crisp.
        const bool dense = painter.deviceTransform().m11() > 1.0 && !denseGraphic_.isNull() &&
                           picture_.Graphic().cacheKey() == storedGraphicKey_;
        if (dense) {
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(0, 0, denseGraphic_);
        } else {
            painter.drawImage(0, 0, picture_.Graphic());
        }
    }
}

void TImage::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit OnClick();
}
