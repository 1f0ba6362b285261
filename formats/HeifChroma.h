#pragma once
#include <QByteArray>

// How the colour planes of a HEIF or AVIF file are sampled, as its coding
// configuration boxes (hvcC, av1C) tell it: the most chroma samples of any
// of them, which the primary image has (a transparency plane has none).
// libheif 1.15 does not tell it before decoding.
enum class THeifChroma { Unknown, Monochrome, Yuv420, Yuv422, Yuv444 };

THeifChroma HeifChroma(const QByteArray& bytes);
