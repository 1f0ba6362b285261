#pragma once
#include "Cursors.h"
#include "TCanvas.h"

#include <QColor>
#include <QWidget>

// A control without a background of its own that paints one rectangle with
// its pen and brush over whatever lies beneath it in its parent. Geometry is
// read and set in the parent's client coordinates (Left, Top, Width, Height);
// mouse input arrives through the three hooks, which by default only raise
// the matching signal.
class TShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor PenColor READ PenColor WRITE SetPenColor)
    Q_PROPERTY(int PenWidth READ PenWidth WRITE SetPenWidth)
    // 0 psSolid, 1 psClear.
    Q_PROPERTY(int PenStyle READ PenStyle WRITE SetPenStyle)
    Q_PROPERTY(QColor BrushColor READ BrushColor WRITE SetBrushColor)
    // 0 bsSolid, 1 bsClear.
    Q_PROPERTY(int BrushStyle READ BrushStyle WRITE SetBrushStyle)
    // A cursor number (crDefault, crSizeNS, ...).
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)

public:
    explicit TShape(QWidget* parent = nullptr);

    const TPen& Pen() const { return pen_; }
    void SetPen(const TPen& pen);
    const TBrush& Brush() const { return brush_; }
    void SetBrush(const TBrush& brush);

    QColor PenColor() const;
    void SetPenColor(const QColor& color);
    int PenWidth() const { return pen_.Width; }
    void SetPenWidth(int width);
    int PenStyle() const { return static_cast<int>(pen_.Style); }
    void SetPenStyle(int style);
    QColor BrushColor() const;
    void SetBrushColor(const QColor& color);
    int BrushStyle() const { return static_cast<int>(brush_.Style); }
    void SetBrushStyle(int style);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left);
    void SetTop(int top);
    void SetWidth(int width);
    void SetHeight(int height);

signals:
    void OnMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                     int Y);
    void OnMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                   int Y);

protected:
    // X and Y are the pointer position in the control's own coordinates when
    // the event is dispatched; they stay fixed for the whole hook even if the
    // hook moves the control.
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPoint PointerPos(const QMouseEvent& event) const;

    TPen pen_;
    TBrush brush_;
    TCursor cursor_ = crDefault;
};
