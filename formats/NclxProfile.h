#pragma once
#include <QByteArray>

// Colour told by code points (H.273, as HEIF's and AVIF's nclx colour boxes
// and the video streams inside them tell it) as an ICC profile that Little
// CMS writes: the primaries and white point as a matrix, the transfer as
// curves.
//
// Transfers: sRGB (13), BT.709 and its like (1, 6, 14, 15), linear (8),
// gamma 2.2 (4) and 2.8 (5), PQ (16) and HLG (18). Unknown or unspecified
// codes read as sRGB's.
//
// PQ and HLG hold light above what a photo on paper or screen shows; they
// are brought down to SDR white by one simple curve per channel. The light
// is taken relative to HDR reference white, 203 cd/m2 (BT.2408): PQ's
// absolute light / 203; HLG's scene light E through a display of 1000
// cd/m2 peak with system gamma 1.2, 1000 * E^1.2 / 203 (per channel, which
// keeps neutral greys neutral). That relative light x then shows as
//   y = x                                  for x <= 0.9
//   y = 0.9 + 0.1 * (1 - exp(-(x - 0.9) / 0.1))   above,
// a shoulder that leaves the tones below 90 % of reference white alone and
// meets white smoothly: reference white shows at 96 % light (251 of 255 in
// sRGB), 1.5 times it at 99.98 %.
struct TChromaticities {
    double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};

// BT.709's (and sRGB's) primaries with D65 white.
constexpr TChromaticities kBt709Chromaticities{0.64, 0.33, 0.30, 0.60, 0.15, 0.06, 0.3127, 0.3290};

// Empty when the colour is sRGB (BT.709 primaries with sRGB's curve or an
// unknown one) or Little CMS cannot make the profile.
QByteArray NclxProfile(const TChromaticities& chromaticities, int transferCharacteristics);

// The relative light of PQ and HLG signals shown in SDR, as above: signal
// (0 to 1) to linear light (0 to 1).
double PqToSdr(double signal);
double HlgToSdr(double signal);
