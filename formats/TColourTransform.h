#pragma once
#include <QByteArray>
#include <array>
#include <cstdint>
#include <memory>

// The pixels a profile describes: 8 bits a channel, RGB, grey, or CMYK as ink
// amounts or inverted (255 = no ink, as files with an Adobe marker hold it).
enum class TColourInput { Rgb, Grey, Cmyk, InvertedCmyk };

// An embedded ICC profile's pixels to sRGB with Little CMS: perceptual intent,
// black-point compensation, 8 bits a channel. Built once per picture.
class TColourTransform {
public:
    // Null when there is nothing to convert: a profile Little CMS cannot read,
    // one of another colour space than the pixels, or one that gives back
    // every sRGB value as it is (an sRGB profile).
    static std::unique_ptr<TColourTransform> ToSrgb(const QByteArray& iccProfile,
                                                    TColourInput input);

    ~TColourTransform();
    TColourTransform(const TColourTransform&) = delete;
    TColourTransform& operator=(const TColourTransform&) = delete;

    // `width` input pixels to RGB888; `in` may be `out` for RGB input.
    void Convert(const std::uint8_t* in, std::uint8_t* out, int width) const noexcept;

private:
    TColourTransform() = default;
    bool BuildSeparable(void* profile);
    void ConvertSeparable(const std::uint8_t* in, std::uint8_t* out, int width) const noexcept;

    void* transform_ = nullptr; // cmsHTRANSFORM
    // A matrix-shaper RGB profile: each 8-bit input channel's share of the
    // linear sRGB result (fixed point, 1 << kLinearShift for the unit), added
    // up and looked up in the sRGB encoding of each output channel.
    bool separable_ = false;
    std::array<std::array<std::array<std::int32_t, 3>, 256>, 3> share_{};
    const std::uint8_t* encode_ = nullptr; // kSteps + 1 levels, shared by all
};
