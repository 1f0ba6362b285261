#include "TColourTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <lcms2.h>

namespace {

constexpr int kIntent = INTENT_PERCEPTUAL;
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION;
// Linear sRGB values are looked up at kSteps per unit (the steepest part of
// the sRGB curve moves by 0.2 levels a step) with kExtra bits below that.
constexpr int kSteps = 16384;
constexpr int kExtra = 8;
constexpr double kUnit = double(kSteps << kExtra);

struct Profile {
    cmsHPROFILE handle;
    explicit Profile(cmsHPROFILE h) : handle(h) {}
    ~Profile() {
        if (handle)
            cmsCloseProfile(handle);
    }
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;
};

struct Transform {
    cmsHTRANSFORM handle;
    explicit Transform(cmsHTRANSFORM h) : handle(h) {}
    ~Transform() {
        if (handle)
            cmsDeleteTransform(handle);
    }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;
};

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
    Transform exact(cmsCreateTransform(profile, DoubleFormatOf(input), srgb, TYPE_RGB_DBL, kIntent,
                                       kFlags | cmsFLAGS_NOOPTIMIZE));
    if (!exact.handle)
        return false;
    const int channels = input == TColourInput::Grey ? 1 : 3;
    for (int ramp = 0; ramp < (channels == 1 ? 1 : 4); ++ramp)
        for (int v = 0; v < 256; ++v) {
            double in[3] = {0, 0, 0};
            for (int c = 0; c < channels; ++c)
                in[c] = ramp == 3 || ramp == c ? v / 255.0 : 0.0;
            if (channels == 1)
                in[0] = v / 255.0;
            double out[3];
            cmsDoTransform(exact.handle, in, out, 1);
            for (int c = 0; c < 3; ++c) {
                const double expected = channels == 1 ? in[0] : in[c];
                if (std::abs(out[c] - expected) * 255.0 > 0.6)
                    return false;
            }
        }
    return true;
}

} // namespace

std::unique_ptr<TColourTransform> TColourTransform::ToSrgb(const QByteArray& iccProfile, TColourInput input) {
    if (iccProfile.isEmpty())
        return nullptr;
    Profile profile(cmsOpenProfileFromMem(iccProfile.constData(), static_cast<cmsUInt32Number>(iccProfile.size())));
    if (!profile.handle || cmsGetColorSpace(profile.handle) != SpaceOf(input))
        return nullptr;
    Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb.handle)
        return nullptr;
    if (input != TColourInput::Cmyk && input != TColourInput::InvertedCmyk && KeepsSrgb(profile.handle, input, srgb.handle))
        return nullptr;
    std::unique_ptr<TColourTransform> result(new TColourTransform);
    result->input_ = input;
    result->transform_ = cmsCreateTransform(profile.handle, FormatOf(input), srgb.handle, TYPE_RGB_8, kIntent, kFlags);
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
    auto* profile = static_cast<cmsHPROFILE>(handle);
    Profile linear(CreateLinearSrgb());
    Profile srgb(cmsCreate_sRGBProfile());
    if (!linear.handle || !srgb.handle)
        return false;
    Transform toLinear(cmsCreateTransform(profile, TYPE_RGB_DBL, linear.handle, TYPE_RGB_DBL, kIntent,
                                          kFlags | cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
    Transform encode(cmsCreateTransform(linear.handle, TYPE_RGB_DBL, srgb.handle, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC,
                                        cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE));
    if (!toLinear.handle || !encode.handle)
        return false;
    double black[3];
    const double zero[3] = {0, 0, 0};
    cmsDoTransform(toLinear.handle, zero, black, 1);
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v) {
            double in[3] = {0, 0, 0};
            in[c] = v / 255.0;
            double out[3];
            cmsDoTransform(toLinear.handle, in, out, 1);
            for (int k = 0; k < 3; ++k) {
                // The black result is counted once, with the red share; half a
                // step of rounding comes with it.
                const double share = out[k] - (c == 0 ? 0.0 : black[k]) + (c == 0 ? 0.5 / kSteps : 0.0);
                share_[c][v][k] = static_cast<std::int32_t>(std::lround(std::clamp(share, -8.0, 8.0) * kUnit));
            }
        }
    encode_.resize(kSteps + 1);
    for (int i = 0; i <= kSteps; ++i) {
        const double v = static_cast<double>(i) / kSteps;
        const double in[3] = {v, v, v};
        std::uint8_t out[3];
        cmsDoTransform(encode.handle, in, out, 1);
        encode_[static_cast<size_t>(i)] = {out[0], out[1], out[2]};
    }
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
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), probe, theirs, static_cast<cmsUInt32Number>(n));
    for (int i = 0; i < 3 * n; ++i)
        if (std::abs(ours[i] - theirs[i]) > 1)
            return false;
    return true;
}

void TColourTransform::ConvertSeparable(const std::uint8_t* in, std::uint8_t* out, int width) const noexcept {
    const auto& r = share_[0];
    const auto& g = share_[1];
    const auto& b = share_[2];
    const std::array<std::uint8_t, 3>* encode = encode_.data();
    for (int x = 0; x < width; ++x, in += 3, out += 3) {
        const auto& sr = r[in[0]];
        const auto& sg = g[in[1]];
        const auto& sb = b[in[2]];
        for (int k = 0; k < 3; ++k) {
            const std::int32_t sum = (sr[k] + sg[k] + sb[k]) >> kExtra;
            out[k] = encode[std::clamp(sum, 0, kSteps)][k];
        }
    }
}

void TColourTransform::Convert(const std::uint8_t* in, std::uint8_t* out, int width) const noexcept {
    if (separable_)
        ConvertSeparable(in, out, width);
    else
        cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), in, out, static_cast<cmsUInt32Number>(width));
}
