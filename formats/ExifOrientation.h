#pragma once
#include "QuarterTurn.h"

#include <QByteArray>

// The Orientation tag of the first image directory of an Exif payload (from
// its "Exif\0\0" header on), read with libexif. A missing, damaged or
// out-of-range tag reads as upright.
TOrientation ExifOrientation(const QByteArray& exif);
