#include "EmbeddedMetadata.h"

#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// The payload of the first chunk of this kind, empty when there is none.
QByteArray Chunk(const WebPDemuxer* demux, const char* fourcc) {
    WebPChunkIterator chunk;
    QByteArray payload;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
        payload = QByteArray(reinterpret_cast<const char*>(chunk.chunk.bytes),
                             static_cast<qsizetype>(chunk.chunk.size));
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return payload;
}

} // namespace

TEmbeddedMetadata ReadWebpMetadata(const QByteArray& bytes) {
    TEmbeddedMetadata result;
    result.container = TContainer::WebP;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK)
        return result;
    result.alpha = features.has_alpha != 0;
    result.lossy = features.format == 1;
    const WebPData whole{data, size};
    const std::unique_ptr<WebPDemuxer, decltype(&WebPDemuxDelete)> demux(WebPDemux(&whole),
                                                                         WebPDemuxDelete);
    if (!demux)
        return result;
    // The extended header says which chunks the file carries.
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    if (flags & ICCP_FLAG)
        result.iccProfile = Chunk(demux.get(), "ICCP");
    if (flags & EXIF_FLAG)
        result.orientation = OrientationOfExifChunk(Chunk(demux.get(), "EXIF"));
    return result;
}
