#pragma once
#include <QProgressBar>
#include <functional>

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

// The bar following work that tells its progress as (done, steps): (0, steps)
// sets the range and starts it at 0, later calls move it to `done`.
std::function<void(int done, int steps)> ProgressSteps(QProgressBar& bar);
