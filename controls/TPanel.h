#pragma once
#include <QWidget>

// A flat panel without bevel: its background colour and, centred, its caption
// (which the image filling it normally covers).
class TPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    // Resize at once, also while hidden: children aligned to the client area
    // follow before the call returns (a hidden widget gets its resize event
    // only when shown, too late for whoever reads their size next).
    void SetWidth(int width);
    void SetHeight(int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AlignChildren();
    QString caption_;
};
