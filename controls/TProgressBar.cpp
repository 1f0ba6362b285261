#include "TProgressBar.h"

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
}

QString TProgressBar::text() const {
    return isTextVisible() ? QProgressBar::text() : QString();
}

std::function<void(int done, int steps)> ProgressSteps(QProgressBar& bar) {
    return [&bar](int done, int steps) {
        if (done == 0)
            bar.setRange(0, steps);
        bar.setValue(done);
    };
}
