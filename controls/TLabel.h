#pragma once
#include <QLabel>

// A label that sizes its width to its text and keeps its designed height.
class TLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TLabel(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
};
