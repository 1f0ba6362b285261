#pragma once
#include <QByteArray>

// What a JPEG file says about how to show its pixels, beside the pixels.
struct JpegMetadata {
    QByteArray exif;       // the APP1 Exif payload from its "Exif\0\0" header on
    QByteArray iccProfile; // the ICC_PROFILE APP2 chunks put back together
    bool adobeMarker = false; // an APP14 Adobe marker: four-component data is inverted
};

// Read with libjpeg from the markers before the first scan. Never fails: a
// file whose header cannot be read has no metadata.
JpegMetadata ReadJpegMetadata(const QByteArray& bytes);
