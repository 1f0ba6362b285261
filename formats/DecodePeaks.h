#pragma once
#include "EmbeddedMetadata.h"
#include "HeifChroma.h"

// Bytes a pixel one opening holds at its peak, picture and decoder together,
// by what the file's header tells: measured (bench/bench_decode_peak, figures
// in bench/README.md) and rounded up to the next tenth; where a kind could not
// be made here, bounded from the measured kinds around it. The memory guard
// (CheckPhotoMemory) weighs them against the memory free; what an opening
// needs apart from the pixels (libraries, tables: a few megabytes) is within
// the guard's reserve.

// JPEG: decoded rows straight into the picture, a progressive file's
// coefficients beside it.
double JpegDecodeBytesPerPixel(bool grey, bool progressive);

// HEIF and AVIF through libheif: the decoder's planes, libheif's own copies
// and its interleaved RGB(A), the picture.
double HeifDecodeBytesPerPixel(int bitsPerChannel, bool alpha, bool av1, THeifChroma chroma);

// PNG, WebP and TIFF through Qt's readers: the reader's own picture (64 bits a
// pixel for 16-bit files), its 8-bit copy, the picture.
double QtDecodeBytesPerPixel(const TEmbeddedMetadata& metadata);
