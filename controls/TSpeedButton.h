#pragma once
#include <QToolButton>

// A speed button: takes no keyboard focus, shows its glyph beside its caption.
class TSpeedButton : public QToolButton {
    Q_OBJECT
    Q_PROPERTY(QString Glyph READ Glyph WRITE SetGlyph)

public:
    explicit TSpeedButton(QWidget* parent = nullptr);
    QString Glyph() const { return glyph_; }
    void SetGlyph(const QString& resource);

private:
    QString glyph_;
};
