#pragma once
#include "QuarterTurn.h"

#include <QByteArray>

// What a PNG, WebP or TIFF file tells beside its pixels: its colour profile,
// how its rows lie, and from its header what the decoder will make of it.
// Read from the bytes with the format's own library (libpng, libwebp's
// demuxer, libtiff); nothing is decoded. A damaged or missing part reads as
// absent: the pixels then open as the reader gives them.
enum class TContainer { Unknown, Png, WebP, Tiff };

struct TEmbeddedMetadata {
    TContainer container = TContainer::Unknown;
    QByteArray iccProfile; // the raw ICC profile, as stored
    // PNG gamma and chromaticities (gAMA, cHRM) without a profile or an sRGB
    // chunk: Qt's reader turns them into its colour space.
    bool gammaTagged = false;
    TOrientation orientation = TOrientation::Upright;

    // From the header.
    bool grey = false;  // grey levels, with or without transparency
    bool alpha = false; // a transparency channel or a transparent colour
    bool palette = false;
    bool lossy = false; // WebP's lossy coding
    int bitsPerChannel = 8;
};

TEmbeddedMetadata ReadPngMetadata(const QByteArray& bytes);
TEmbeddedMetadata ReadWebpMetadata(const QByteArray& bytes);
TEmbeddedMetadata ReadTiffMetadata(const QByteArray& bytes);

// Told by the bytes' own signature (PNG, RIFF WebP, either TIFF byte order);
// nothing for other bytes.
TEmbeddedMetadata ReadEmbeddedMetadata(const QByteArray& bytes);

// An Exif payload as PNG's eXIf, WebP's EXIF and HEIF's Exif items hold it
// (from its TIFF header, or with "Exif\0\0" before it): how its rows lie.
TOrientation OrientationOfExifChunk(const QByteArray& chunk);
