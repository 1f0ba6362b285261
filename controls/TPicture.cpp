#include "TPicture.h"

TBitmap* TPicture::Bitmap() {
    if (!bitmap_)
        SetBitmap(std::make_unique<TBitmap>());
    return bitmap_.get();
}

void TPicture::SetBitmap(std::unique_ptr<TBitmap> bitmap) {
    graphic_ = QImage();
    bitmap_ = std::move(bitmap);
    Attach();
    if (onChange_)
        onChange_();
}

void TPicture::SetGraphic(QImage graphic) {
    bitmap_.reset();
    graphic_ = std::move(graphic);
    if (onChange_)
        onChange_();
}

void TPicture::SetOnChange(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    Attach();
}

void TPicture::Attach() {
    if (bitmap_)
        bitmap_->SetOnChange(onChange_);
}
