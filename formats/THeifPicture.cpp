#include "THeifPicture.h"

#include "AlphaOverWhite.h"
#include "Exceptions.h"
#include "ImageAllocation.h"

#include <cstdint>
#include <libheif/heif.h>
#include <memory>

namespace {

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        throw EInvalidGraphic();
}

} // namespace

THeifPicture::THeifPicture(QByteArray bytes) : bytes_(std::move(bytes)) {
    // Once per run: lets libheif set up its decoders.
    static const bool ready = heif_init(nullptr).code == heif_error_Ok;
    if (!ready)
        throw EInvalidGraphic();
    context_ = heif_context_alloc();
    if (!context_)
        throw EOutOfResources();
    try {
        Check(heif_context_read_from_memory_without_copy(context_, bytes_.constData(),
                                                         static_cast<size_t>(bytes_.size()), nullptr));
        Check(heif_context_get_primary_image_handle(context_, &handle_));
    } catch (...) {
        heif_context_free(context_);
        throw;
    }
}

THeifPicture::~THeifPicture() {
    if (handle_)
        heif_image_handle_release(handle_);
    heif_context_free(context_);
}

int THeifPicture::CodedWidth() const { return heif_image_handle_get_ispe_width(handle_); }

int THeifPicture::CodedHeight() const { return heif_image_handle_get_ispe_height(handle_); }

QByteArray THeifPicture::IccProfile() const {
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle_);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return {};
    QByteArray profile(static_cast<qsizetype>(heif_image_handle_get_raw_color_profile_size(handle_)), '\0');
    if (profile.isEmpty() ||
        heif_image_handle_get_raw_color_profile(handle_, profile.data()).code != heif_error_Ok)
        return {};
    return profile;
}

QImage THeifPicture::Decode(const std::function<void(int done, int rows)>& progress) const {
    const bool alpha = heif_image_handle_has_alpha_channel(handle_) != 0;
    const std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    if (!options)
        throw EOutOfResources();
    options->convert_hdr_to_8bit = 1;
    if (progress)
        progress(0, heif_image_handle_get_height(handle_));
    heif_image* decoded = nullptr;
    Check(heif_decode_image(handle_, &decoded, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(decoded, heif_image_release);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0 || stride % 4 != 0)
        throw EInvalidGraphic();
    // The memory guard and the pixel cap judged the size the header gives;
    // libheif decodes whatever size the coded picture has.
    if (static_cast<std::int64_t>(width) * height > static_cast<std::int64_t>(CodedWidth()) * CodedHeight())
        throw EInvalidGraphic();
    QImage result;
    if (!alpha) {
        // libheif's own buffer becomes the picture's, released with it.
        result = QImage(
            plane, width, height, stride, QImage::Format_RGB888,
            [](void* decodedImage) { heif_image_release(static_cast<heif_image*>(decodedImage)); }, image.get());
        if (result.isNull())
            throw EOutOfResources();
        image.release();
    } else {
        result = AllocateImage(width, height, QImage::Format_RGB888);
        if (result.isNull())
            throw EOutOfResources();
        for (int y = 0; y < height; ++y)
            RgbaOverWhite(plane + static_cast<std::ptrdiff_t>(y) * stride, result.scanLine(y), width);
    }
    if (progress)
        progress(height, height);
    return result;
}
