#include "TProgressBar.h"

TProgressBar::TProgressBar(QWidget* parent) : QProgressBar(parent) { setTextVisible(false); }

QString TProgressBar::text() const { return isTextVisible() ? QProgressBar::text() : QString(); }
