#include "Tone.h"

int ClampToByte(double) { return 0; }
void EnhanceContrast(TBitmap&, const QScrollBar&, QProgressBar&) {}
void AdjustBrightness(TBitmap&, const QCheckBox&, QProgressBar&) {}
