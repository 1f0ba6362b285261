#pragma once
#include <QPushButton>

// A push button with a glyph beside its caption, the glyph at its own size.
class TBitBtn : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QString Glyph READ Glyph WRITE SetGlyph)

public:
    explicit TBitBtn(QWidget* parent = nullptr);
    QString Glyph() const { return glyph_; }
    void SetGlyph(const QString& resource);

private:
    QString glyph_;
};
