#include "ExifOrientation.h"

#include <libexif/exif-data.h>
#include <memory>

TOrientation ExifOrientation(const QByteArray& exif) {
    if (exif.isEmpty())
        return TOrientation::Upright;
    const std::unique_ptr<ExifData, decltype(&exif_data_unref)> data(exif_data_new(), exif_data_unref);
    if (!data)
        return TOrientation::Upright;
    // As written: following the standard would let libexif add default tags.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(exif.constData()),
                        static_cast<unsigned int>(exif.size()));
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components != 1 || !entry->data ||
        entry->size < 2)
        return TOrientation::Upright;
    const ExifShort value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    if (value < 1 || value > 8)
        return TOrientation::Upright;
    return static_cast<TOrientation>(value);
}
