#include "TColourTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <lcms2.h>
#include <vector>

namespace {

constexpr int kIntent = INTENT_PERCEPTUAL;
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION;
// Linear sRGB values are looked up at kSteps per unit (the steepest part of
// the sRGB curve moves by 0.2 levels a step) with kExtra bits below that.
constexpr int kSteps = 16384;
constexpr int kExtra = 8;
constexpr double kUnit = double(kSteps << kExtra);

// A Little CMS handle, released with the given function when it goes.
template <typename Handle, auto Release> struct Owned {
    Handle handle;
    explicit Owned(Handle h) : handle(h) {}
    ~Owned() {
        if (handle)
            Release(handle);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
};
using Profile = Owned<cmsHPROFILE, cmsCloseProfile>;
using Transform = Owned<cmsHTRANSFORM, cmsDeleteTransform>;

cmsColorSpaceSignature SpaceOf(TColourInput input) {
    switch (input) {
    case TColourInput::Rgb:
        return cmsSigRgbData;
    case TColourInput::Grey:
        return cmsSigGrayData;
    case TColourInput::Cmyk:
    case TColourInput::InvertedCmyk:
        return cmsSigCmykData;
    }
    return cmsSigRgbData;
}

cmsUInt32Number FormatOf(TColourInput input) {
    switch (input) {
    case TColourInput::Rgb:
        return TYPE_RGB_8;
    case TColourInput::Grey:
        return TYPE_GRAY_8;
    case TColourInput::Cmyk:
        return TYPE_CMYK_8;
    case TColourInput::InvertedCmyk:
        return TYPE_CMYK_8_REV;
    }
    return TYPE_RGB_8;
}

cmsUInt32Number DoubleFormatOf(TColourInput input) {
    return input == TColourInput::Grey ? TYPE_GRAY_DBL : TYPE_RGB_DBL;
}

// sRGB's primaries and white with straight lines for curves.
cmsHPROFILE CreateLinearSrgb() {
    cmsCIExyY white{0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* line = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve* curves[3] = {line, line, line};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(line);
    return profile;
}

// Whether the profile gives every value of the grey axis and of each primary's
// ramp back within rounding: then it describes sRGB and converting would only
// add rounding noise to today's pixels.
bool KeepsSrgb(cmsHPROFILE profile, TColourInput input, cmsHPROFILE srgb) {
    const bool grey = input == TColourInput::Grey;
    Transform exact(cmsCreateTransform(profile, DoubleFormatOf(input), srgb, TYPE_RGB_DBL, kIntent,
                                       kFlags | cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
    if (!exact.handle)
        return false;
    // Grey: the 256 levels. RGB: each primary's ramp, then the grey ramp.
    const int channels = grey ? 1 : 3;
    const int ramps = grey ? 1 : 4;
    std::vector<double> in(static_cast<size_t>(channels * 256 * ramps), 0.0);
    std::vector<double> expected(static_cast<size_t>(3 * 256 * ramps), 0.0);
    for (int ramp = 0; ramp < ramps; ++ramp)
        for (int v = 0; v < 256; ++v)
            for (int c = 0; c < 3; ++c) {
                const size_t pixel = static_cast<size_t>(256 * ramp + v);
                const bool lit = grey || ramp == 3 || ramp == c;
                if (c < channels)
                    in[pixel * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                        lit ? v / 255.0 : 0.0;
                expected[3 * pixel + static_cast<size_t>(c)] = lit ? v / 255.0 : 0.0;
            }
    std::vector<double> out(expected.size());
    cmsDoTransform(exact.handle, in.data(), out.data(), static_cast<cmsUInt32Number>(256 * ramps));
    for (size_t i = 0; i < out.size(); ++i)
        if (std::abs(out[i] - expected[i]) * 255.0 > 0.6)
            return false;
    return true;
}

// The sRGB curve from linear light, kSteps + 1 levels: the same for every
// profile and every channel, so made once.
const std::vector<std::uint8_t>& SrgbEncoding() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> result;
        Profile linear(CreateLinearSrgb());
        Profile srgb(cmsCreate_sRGBProfile());
        if (!linear.handle || !srgb.handle)
            return result;
        Transform encode(cmsCreateTransform(linear.handle, TYPE_RGB_DBL, srgb.handle, TYPE_RGB_8,
                                            INTENT_RELATIVE_COLORIMETRIC,
                                            cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
        if (!encode.handle)
            return result;
        std::vector<double> grey(3 * (kSteps + 1));
        for (int i = 0; i <= kSteps; ++i)
            for (int k = 0; k < 3; ++k)
                grey[static_cast<size_t>(3 * i + k)] = static_cast<double>(i) / kSteps;
        std::vector<std::uint8_t> rgb(grey.size());
        cmsDoTransform(encode.handle, grey.data(), rgb.data(), kSteps + 1);
        result.resize(kSteps + 1);
        for (int i = 0; i <= kSteps; ++i)
            result[static_cast<size_t>(i)] = rgb[static_cast<size_t>(3 * i + 1)];
        return result;
    }();
    return table;
}

} // namespace

std::unique_ptr<TColourTransform> TColourTransform::ToSrgb(const QByteArray& iccProfile,
                                                           TColourInput input) {
    if (iccProfile.isEmpty())
        return nullptr;
    Profile profile(cmsOpenProfileFromMem(iccProfile.constData(),
                                          static_cast<cmsUInt32Number>(iccProfile.size())));
    if (!profile.handle || cmsGetColorSpace(profile.handle) != SpaceOf(input))
        return nullptr;
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb.handle)
        return nullptr;
    if (input != TColourInput::Cmyk && input != TColourInput::InvertedCmyk &&
        KeepsSrgb(profile.handle, input, srgb.handle))
        return nullptr;
    std::unique_ptr<TColourTransform> result(new TColourTransform);
    result->transform_ = cmsCreateTransform(profile.handle, FormatOf(input), srgb.handle,
                                            TYPE_RGB_8, kIntent, kFlags);
    if (!result->transform_)
        return nullptr;
    if (input == TColourInput::Rgb && cmsIsMatrixShaper(profile.handle) &&
        !cmsIsCLUT(profile.handle, kIntent, LCMS_USED_AS_INPUT))
        result->separable_ = result->BuildSeparable(profile.handle);
    return result;
}

TColourTransform::~TColourTransform() {
    if (transform_)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

// A matrix-shaper profile's curves act on each channel alone and the rest is
// linear up to the output curves, so the linear result is the sum of what
// each channel gives alone. Little CMS gives those shares (256 a channel) and
// the sRGB curves; the pixels then cost three lookups and adds per channel.
// Kept only when it agrees with Little CMS's own 8-bit transform on a spread
// of colours within one level.
bool TColourTransform::BuildSeparable(void* handle) {
    const std::vector<std::uint8_t>& encode = SrgbEncoding();
    if (encode.empty())
        return false;
    Profile linear(CreateLinearSrgb());
    if (!linear.handle)
        return false;
    Transform toLinear(cmsCreateTransform(static_cast<cmsHPROFILE>(handle), TYPE_RGB_DBL,
                                          linear.handle, TYPE_RGB_DBL, kIntent,
                                          kFlags | cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
    if (!toLinear.handle)
        return false;
    // Black, then each channel alone at every level.
    std::vector<double> in(3 * (1 + 3 * 256), 0.0);
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            in[static_cast<size_t>(3 * (1 + 256 * c + v) + c)] = v / 255.0;
    std::vector<double> out(in.size());
    cmsDoTransform(toLinear.handle, in.data(), out.data(),
                   static_cast<cmsUInt32Number>(in.size() / 3));
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            for (int k = 0; k < 3; ++k) {
                // Black is counted once, with the red share, and half a step
                // of rounding with it.
                const double alone = out[static_cast<size_t>(3 * (1 + 256 * c + v) + k)];
                const double share =
                    c == 0 ? alone + 0.5 / kSteps : alone - out[static_cast<size_t>(k)];
                share_[c][v][k] =
                    static_cast<std::int32_t>(std::lround(std::clamp(share, -8.0, 8.0) * kUnit));
            }
    encode_ = encode.data();
    // Checked against the library's own 8-bit transform.
    std::uint8_t probe[3 * 343];
    int n = 0;
    for (int r = 0; r < 7; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 7; ++b, ++n) {
                probe[3 * n] = static_cast<std::uint8_t>(r * 42 + (r > 3));
                probe[3 * n + 1] = static_cast<std::uint8_t>(g * 42 + 1);
                probe[3 * n + 2] = static_cast<std::uint8_t>(b * 42 + 2);
            }
    std::uint8_t ours[3 * 343];
    std::uint8_t theirs[3 * 343];
    ConvertSeparable(probe, ours, n);
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), probe, theirs,
                   static_cast<cmsUInt32Number>(n));
    for (int i = 0; i < 3 * n; ++i)
        if (std::abs(ours[i] - theirs[i]) > 1)
            return false;
    return true;
}

void TColourTransform::ConvertSeparable(const std::uint8_t* in, std::uint8_t* out,
                                        int width) const noexcept {
    const auto* r = share_[0].data();
    const auto* g = share_[1].data();
    const auto* b = share_[2].data();
    const std::uint8_t* encode = encode_;
    const auto step = [](std::int32_t sum) { return std::clamp(sum >> kExtra, 0, kSteps); };
    // Everything of a pixel is read before any of it is written: the rows may
    // be converted in place, and a byte store could alias the tables.
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
        const auto& sr = r[in[0]];
        const auto& sg = g[in[1]];
        const auto& sb = b[in[2]];
        const std::int32_t red = step(sr[0] + sg[0] + sb[0]);
        const std::int32_t green = step(sr[1] + sg[1] + sb[1]);
        const std::int32_t blue = step(sr[2] + sg[2] + sb[2]);
        const std::uint8_t o0 = encode[red], o1 = encode[green], o2 = encode[blue];
        out[0] = o0;
        out[1] = o1;
        out[2] = o2;
    }
}

void TColourTransform::Convert(const std::uint8_t* in, std::uint8_t* out,
                               int width) const noexcept {
    if (separable_)
        ConvertSeparable(in, out, width);
    else
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), in, out,
                       static_cast<cmsUInt32Number>(width));
}
