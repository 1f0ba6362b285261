#include "EmbeddedMetadata.h"

#include <cstring>
#include <png.h>
#include <zlib.h>

namespace {

struct Source {
    const unsigned char* data;
    size_t size;
    size_t at;
};

void ReadFromSource(png_structp png, png_bytep out, size_t count) {
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->size - source->at)
        png_error(png, "the file ends");
    std::memcpy(out, source->data + source->at, count);
    source->at += count;
}

void Quiet(png_structp, png_const_charp) {}

// Back to Read() without a word: libpng would print the message if this
// returned.
[[noreturn]] void Leave(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng reporting to nobody, reading from memory; its structures go with it.
class PngHeader {
public:
    explicit PngHeader(const QByteArray& bytes)
        : source_{reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<size_t>(bytes.size()), 0} {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Leave, Quiet);
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~PngHeader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngHeader(const PngHeader&) = delete;
    PngHeader& operator=(const PngHeader&) = delete;

    // Every chunk before the image data, checked by libpng. libpng leaves by
    // longjmp on errors: nothing in this frame has a destructor.
    bool Read() {
        if (!png_ || !info_)
            return false;
        if (setjmp(png_jmpbuf(png_)))
            return false;
        // The picture's size is the reader's and the memory guard's business.
        png_set_user_limits(png_, 0x7FFFFFFF, 0x7FFFFFFF);
        png_set_read_fn(png_, &source_, ReadFromSource);
        png_read_info(png_, info_);
        return true;
    }

    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

private:
    Source source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

quint32 BigEndian32(const unsigned char* p) {
    return static_cast<quint32>(p[0]) << 24 | static_cast<quint32>(p[1]) << 16 |
           static_cast<quint32>(p[2]) << 8 | p[3];
}

// The first eXIf chunk whose checksum holds, before the image data or after
// it (tools write it in either place). libpng reads only those before.
QByteArray ExifChunk(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    if (size < 8)
        return {};
    size_t at = 8;
    while (size - at >= 12) {
        const quint32 length = BigEndian32(data + at);
        if (length > size - at - 12)
            break;
        const unsigned char* type = data + at + 4;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "eXIf", 4) == 0) {
            const uLong crc = crc32(crc32(0, nullptr, 0), type, 4 + length);
            if (crc == BigEndian32(type + 4 + length))
                return QByteArray(reinterpret_cast<const char*>(type + 4),
                                  static_cast<qsizetype>(length));
        }
        at += 12 + static_cast<size_t>(length);
    }
    return {};
}

} // namespace

TEmbeddedMetadata ReadPngMetadata(const QByteArray& bytes) {
    TEmbeddedMetadata result;
    result.container = TContainer::Png;
    PngHeader header(bytes);
    if (!header.Read())
        return result;
    png_structp png = header.png();
    png_infop info = header.info();
    const int colourType = png_get_color_type(png, info);
    result.grey = (colourType & PNG_COLOR_MASK_COLOR) == 0;
    result.palette = colourType == PNG_COLOR_TYPE_PALETTE;
    result.alpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    result.bitsPerChannel = png_get_bit_depth(png, info);
    // libpng keeps only a profile that inflates whole and suits the colour type.
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length) != 0 && profile &&
        length > 0)
        result.iccProfile =
            QByteArray(reinterpret_cast<const char*>(profile), static_cast<qsizetype>(length));
    result.gammaTagged = result.iccProfile.isEmpty() &&
                         png_get_valid(png, info, PNG_INFO_sRGB | PNG_INFO_iCCP) == 0 &&
                         png_get_valid(png, info, PNG_INFO_gAMA | PNG_INFO_cHRM) != 0;
    result.orientation = OrientationOfExifChunk(ExifChunk(bytes));
    return result;
}
