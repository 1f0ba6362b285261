#include "Rotation.h"

void RotateRight(TBitmap&, QProgressBar&) {}
void RotateLeft(TBitmap&, QProgressBar&) {}
