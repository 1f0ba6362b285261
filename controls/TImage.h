#pragma once
#include "TPicture.h"

#include <QWidget>

class TCanvas;

// An image control: shows its picture unscaled from its own top-left corner,
// clipped to its size; where it has no picture, what lies beneath shows.
class TImage : public QWidget {
    Q_OBJECT
    // A 24-bit bitmap stored with the window (a resource path).
    Q_PROPERTY(QString StoredBitmap READ StoredBitmap WRITE SetStoredBitmap)
    // A transparent decoration picture stored with the window (not a bitmap).
    Q_PROPERTY(QString StoredGraphic READ StoredGraphic WRITE SetStoredGraphic)
    // Fills its parent's client area and follows its size.
    Q_PROPERTY(bool AlignClient READ AlignClient WRITE SetAlignClient)

public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    TPicture& Picture() { return picture_; }

    // The drawing surface: an empty picture first gets a white bitmap of the
    // control's present size (which later resizes leave alone).
    TCanvas* Canvas();
    // The picture's bitmap, made empty if there is none.
    TBitmap* PictureBitmap() { return picture_.Bitmap(); }

    QString StoredBitmap() const { return storedBitmap_; }
    void SetStoredBitmap(const QString& resource);
    QString StoredGraphic() const { return storedGraphic_; }
    void SetStoredGraphic(const QString& resource);
    bool AlignClient() const { return alignClient_; }
    void SetAlignClient(bool on);

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TPicture picture_;
    // The stored graphic drawn at twice the density, for screens that show
    // it while the picture still holds the stored graphic.
    QImage denseGraphic_;
    qint64 storedGraphicKey_ = 0;
    QString storedBitmap_;
    QString storedGraphic_;
    bool alignClient_ = false;
    bool pressed_ = false;
};
