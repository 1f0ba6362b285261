#pragma once
#include "WindowControls.h"

#include <cstdint>

class TBitmap;

// The trimming command: the part of the photo inside the frame, cut at full
// resolution, fitted into the current cell of the output picture. A crop the
// memory free cannot hold is refused (EPhotoMemory) before anything changes.
void Trim(const TWindowControls& controls);

// The memory the crop of a trimming takes now (none when the current cell is
// not the layout's), and the check Trim makes of it first.
std::uint64_t TrimmingBytes(const TWindowControls& controls);
void CheckTrimmingMemory(const TWindowControls& controls);

// Cuts (Left..Right, Top..Bottom, inclusive, view coordinates times Scale) out
// of source and stretch-draws it over the whole of target.
void CropScaled(const TBitmap& source, TImage& target, int left, int top, int right, int bottom,
                double scale, QProgressBar& progress);

// Copies the top-left region of source's bitmap, as large as source's control,
// into target's bitmap at (offsetX, offsetY).
void CopyImageInto(TImage& source, TImage& target, int offsetX, int offsetY);

// Draws the white separator strips of a layout on the output picture.
void DrawSeparators(TImage& output, int kind);
