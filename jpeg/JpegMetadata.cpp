#include "JpegMetadata.h"

#include "JpegCodec.h"

#include <cstdlib>

JpegMetadata ReadJpegMetadata(const QByteArray& bytes) {
    JpegMetadata metadata;
    JpegMarkers markers;
    if (bytes.isEmpty() ||
        JpegReadMarkers(reinterpret_cast<const unsigned char*>(bytes.constData()),
                        static_cast<std::size_t>(bytes.size()), &markers) != 0)
        return metadata;
    metadata.exif = QByteArray(reinterpret_cast<const char*>(markers.exif),
                               static_cast<qsizetype>(markers.exifSize));
    metadata.iccProfile = QByteArray(reinterpret_cast<const char*>(markers.icc),
                                     static_cast<qsizetype>(markers.iccSize));
    metadata.adobeMarker = markers.adobe;
    std::free(markers.exif);
    std::free(markers.icc);
    return metadata;
}
