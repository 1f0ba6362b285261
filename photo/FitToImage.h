#pragma once

class TBitmap;
class TImage;

// Stretch-draws the whole bitmap over (0, 0, control width, control height) of
// the image control's drawing surface; the control's size, not its surface's.
void FitToImage(const TBitmap& bitmap, TImage& image);
