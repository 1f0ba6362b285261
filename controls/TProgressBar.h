#pragma once
#include <QProgressBar>

// The window's progress bar: a plain bar without text. Qt asks a bar for its
// text at every step to decide whether to repaint, formatting it through the
// locale each time; long pixel passes step thousands of times, so a bar that
// shows no text answers without formatting.
class TProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit TProgressBar(QWidget* parent = nullptr);
    QString text() const override;
};
