#include "HeifChroma.h"

#include <algorithm>
#include <cstdint>

namespace {

struct Box {
    std::uint64_t body = 0; // offset of the payload
    std::uint64_t end = 0;
    QByteArray type;
};

std::uint64_t BigEndian(const QByteArray& bytes, std::uint64_t at, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[static_cast<qsizetype>(at) + i]);
    return value;
}

// The box at `at` within [at, limit); false when it does not fit.
bool ReadBox(const QByteArray& bytes, std::uint64_t at, std::uint64_t limit, Box* box) {
    if (limit < at || limit - at < 8)
        return false;
    std::uint64_t size = BigEndian(bytes, at, 4);
    std::uint64_t header = 8;
    if (size == 1) {
        if (limit - at < 16)
            return false;
        size = BigEndian(bytes, at + 8, 8);
        header = 16;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < header || size > limit - at)
        return false;
    box->type = bytes.mid(static_cast<qsizetype>(at + 4), 4);
    box->body = at + header;
    box->end = at + size;
    return true;
}

// The first box of this type among those in [from, to).
bool FindBox(const QByteArray& bytes, std::uint64_t from, std::uint64_t to, const char* type, Box* found) {
    Box box;
    for (std::uint64_t at = from; ReadBox(bytes, at, to, &box); at = box.end)
        if (box.type == type) {
            *found = box;
            return true;
        }
    return false;
}

THeifChroma ChromaOf(const QByteArray& bytes, const Box& config) {
    const std::uint64_t length = config.end - config.body;
    if (config.type == "hvcC" && length > 16) {
        static const THeifChroma formats[] = {THeifChroma::Monochrome, THeifChroma::Yuv420, THeifChroma::Yuv422,
                                              THeifChroma::Yuv444};
        return formats[BigEndian(bytes, config.body + 16, 1) & 3];
    }
    if (config.type == "av1C" && length > 2) {
        const std::uint64_t flags = BigEndian(bytes, config.body + 2, 1);
        if (flags & 0x10)
            return THeifChroma::Monochrome;
        const bool x = (flags & 0x08) != 0, y = (flags & 0x04) != 0;
        return x && y ? THeifChroma::Yuv420 : x ? THeifChroma::Yuv422 : THeifChroma::Yuv444;
    }
    return THeifChroma::Unknown;
}

} // namespace

THeifChroma HeifChroma(const QByteArray& bytes) {
    const auto size = static_cast<std::uint64_t>(bytes.size());
    Box meta, iprp, ipco;
    // meta is a full box: a version and flags before its children.
    if (!FindBox(bytes, 0, size, "meta", &meta) || !FindBox(bytes, meta.body + 4, meta.end, "iprp", &iprp) ||
        !FindBox(bytes, iprp.body, iprp.end, "ipco", &ipco))
        return THeifChroma::Unknown;
    THeifChroma most = THeifChroma::Unknown;
    Box property;
    for (std::uint64_t at = ipco.body; ReadBox(bytes, at, ipco.end, &property); at = property.end)
        most = std::max(most, ChromaOf(bytes, property));
    return most;
}
