#include "NclxProfile.h"

#include <cmath>
#include <lcms2.h>
#include <vector>

namespace {

constexpr double kReferenceWhite = 203.0; // cd/m2
constexpr double kKnee = 0.9;
constexpr int kCurvePoints = 4096;

double Shoulder(double x) {
    if (x <= kKnee)
        return x;
    return kKnee + (1.0 - kKnee) * (1.0 - std::exp(-(x - kKnee) / (1.0 - kKnee)));
}

bool IsBt709(const TChromaticities& c) {
    const TChromaticities& s = kBt709Chromaticities;
    const double values[] = {c.redX - s.redX,     c.redY - s.redY,    c.greenX - s.greenX,
                             c.greenY - s.greenY, c.blueX - s.blueX,  c.blueY - s.blueY,
                             c.whiteX - s.whiteX, c.whiteY - s.whiteY};
    for (const double d : values)
        if (std::abs(d) > 1e-4)
            return false;
    return true;
}

// Signal to linear light, 0 to 1.
cmsToneCurve* TransferCurve(int transfer) {
    switch (transfer) {
    case 1:
    case 6:
    case 14:
    case 15: {
        // BT.709's camera curve inverted: ((V + 0.099) / 1.099)^(1 / 0.45)
        // from V = 0.081, V / 4.5 below.
        const cmsFloat64Number bt709[5] = {1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5,
                                           0.081};
        return cmsBuildParametricToneCurve(nullptr, 4, bt709);
    }
    case 4:
        return cmsBuildGamma(nullptr, 2.2);
    case 5:
        return cmsBuildGamma(nullptr, 2.8);
    case 8:
        return cmsBuildGamma(nullptr, 1.0);
    case 16:
    case 18: {
        std::vector<cmsFloat32Number> table(kCurvePoints);
        for (int i = 0; i < kCurvePoints; ++i) {
            const double signal = static_cast<double>(i) / (kCurvePoints - 1);
            table[static_cast<size_t>(i)] =
                static_cast<cmsFloat32Number>(transfer == 16 ? PqToSdr(signal) : HlgToSdr(signal));
        }
        return cmsBuildTabulatedToneCurveFloat(nullptr, kCurvePoints, table.data());
    }
    default: {
        // sRGB: ((V + 0.055) / 1.055)^2.4 from V = 0.04045, V / 12.92 below.
        const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return cmsBuildParametricToneCurve(nullptr, 4, srgb);
    }
    }
}

bool IsSrgbTransfer(int transfer) {
    switch (transfer) {
    case 1:
    case 4:
    case 5:
    case 6:
    case 8:
    case 14:
    case 15:
    case 16:
    case 18:
        return false;
    default:
        return true;
    }
}

} // namespace

double PqToSdr(double signal) {
    // SMPTE ST 2084: signal to absolute light, 10000 cd/m2 at 1.
    constexpr double m1 = 2610.0 / 16384.0, m2 = 2523.0 / 4096.0 * 128.0;
    constexpr double c1 = 3424.0 / 4096.0, c2 = 2413.0 / 4096.0 * 32.0, c3 = 2392.0 / 4096.0 * 32.0;
    const double p = std::pow(std::max(signal, 0.0), 1.0 / m2);
    const double light = 10000.0 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1.0 / m1);
    return Shoulder(light / kReferenceWhite);
}

double HlgToSdr(double signal) {
    // BT.2100 HLG: signal to scene light E (0 to 1), then the display.
    constexpr double a = 0.17883277, b = 1.0 - 4.0 * a;
    const double c = 0.5 - a * std::log(4.0 * a);
    const double v = std::max(signal, 0.0);
    const double scene = v <= 0.5 ? v * v / 3.0 : (std::exp((v - c) / a) + b) / 12.0;
    return Shoulder(1000.0 * std::pow(scene, 1.2) / kReferenceWhite);
}

QByteArray NclxProfile(const TChromaticities& c, int transfer) {
    if (IsBt709(c) && IsSrgbTransfer(transfer))
        return {};
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{
        {c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* curve = TransferCurve(transfer);
    if (!curve)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (!profile)
        return {};
    QByteArray bytes;
    cmsUInt32Number size = 0;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(static_cast<qsizetype>(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}
