#pragma once
#include "TBitmap.h"

#include <QImage>
#include <functional>
#include <memory>

// What an image control shows: one bitmap, another kind of graphic (the
// transparent decoration pictures), or nothing.
class TPicture {
public:
    bool Empty() const { return !bitmap_ && graphic_.isNull(); }
    bool HasBitmap() const { return bitmap_ != nullptr; }
    bool HasOtherGraphic() const { return !graphic_.isNull(); }

    // The picture's bitmap; an empty picture, or one holding another graphic,
    // first gets a new empty bitmap.
    TBitmap* Bitmap();
    // The bitmap if there is one, without making it.
    TBitmap* BitmapOrNull() const { return bitmap_.get(); }
    // Takes ownership of a bitmap as the picture's graphic.
    void SetBitmap(std::unique_ptr<TBitmap> bitmap);
    // Holds a graphic that is not a bitmap (shown, but never drawn on).
    void SetGraphic(QImage graphic);
    const QImage& Graphic() const { return graphic_; }

    // Called whenever what the picture shows changes.
    void SetOnChange(std::function<void()> onChange);

private:
    void Attach();
    std::unique_ptr<TBitmap> bitmap_;
    QImage graphic_;
    std::function<void()> onChange_;
};
