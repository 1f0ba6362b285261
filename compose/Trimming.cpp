#include "Trimming.h"

void Trim(const TWindowControls&) {}
void CropScaled(const TBitmap&, TImage&, int, int, int, int, double, QProgressBar&) {}
void CopyImageInto(TImage&, TImage&, int, int) {}
void DrawSeparators(TImage&, int) {}
