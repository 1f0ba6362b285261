#include "THeifPicture.h"

#include "ColourStage.h"
#include "Exceptions.h"
#include "NclxProfile.h"

#include <QtEndian>
#include <cstdint>
#include <libheif/heif.h>
#include <memory>

namespace {

void Check(const heif_error& error) {
    if (error.code != heif_error_Ok)
        throw EInvalidGraphic();
}

// The chromaticities libheif decodes from the nclx box, where they make sense.
TChromaticities ChromaticitiesOf(const heif_color_profile_nclx& nclx) {
    const TChromaticities c{nclx.color_primary_red_x,   nclx.color_primary_red_y,
                            nclx.color_primary_green_x, nclx.color_primary_green_y,
                            nclx.color_primary_blue_x,  nclx.color_primary_blue_y,
                            nclx.color_primary_white_x, nclx.color_primary_white_y};
    const double ys[] = {c.redY, c.greenY, c.blueY, c.whiteY};
    for (const double y : ys)
        if (!(y > 0.0 && y <= 1.0))
            return kBt709Chromaticities;
    return c;
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

int THeifPicture::BitsPerChannel() const { return heif_image_handle_get_luma_bits_per_pixel(handle_); }

bool THeifPicture::HasAlpha() const { return heif_image_handle_has_alpha_channel(handle_) != 0; }

bool THeifPicture::Av1() const {
    // Its file type box names the brand among the compatible ones.
    const qsizetype ftyp = bytes_.size() >= 8 && bytes_.mid(4, 4) == "ftyp"
                               ? qMin<qsizetype>(qFromBigEndian<quint32>(bytes_.constData()), bytes_.size())
                               : 0;
    return bytes_.left(ftyp).indexOf("avif") >= 8;
}

bool THeifPicture::Grey() const {
    // The colour space signature of the profile's header.
    return IccProfile().mid(16, 4) == "GRAY";
}

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

QByteArray THeifPicture::ColourProfile() const {
    // An ICC profile wins over code points where a file has both.
    if (QByteArray icc = IccProfile(); !icc.isEmpty())
        return icc;
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle_, &nclx).code != heif_error_Ok || !nclx)
        return {};
    const std::unique_ptr<heif_color_profile_nclx, decltype(&heif_nclx_color_profile_free)> owned(
        nclx, heif_nclx_color_profile_free);
    return NclxProfile(ChromaticitiesOf(*nclx), nclx->transfer_characteristics);
}

QImage THeifPicture::Decode(const std::function<void(int done, int rows)>& progress) const {
    const bool alpha = HasAlpha();
    const bool premultiplied = alpha && heif_image_handle_is_premultiplied_alpha(handle_) != 0;
    const QByteArray profile = ColourProfile();
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
    // libheif's own buffer becomes the picture's, released with it: opaque
    // pictures are converted in place and handed on without a copy.
    const QImage::Format format = !alpha          ? QImage::Format_RGB888
                                  : premultiplied ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGBA8888;
    QImage pixels(
        plane, width, height, stride, format,
        [](void* decodedImage) { heif_image_release(static_cast<heif_image*>(decodedImage)); },
        image.get());
    if (pixels.isNull())
        throw EOutOfResources();
    image.release();
    QImage result = SrgbOverWhite(std::move(pixels), profile, Grey(), progress);
    if (progress)
        progress(height, height);
    return result;
}
