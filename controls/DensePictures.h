#pragma once
#include <QIcon>
#include <QImage>
#include <QString>

// Pictures stored with the window come at their designed size and, for
// screens where a logical pixel covers two device pixels, drawn anew at
// twice that size beside them as "name@2x.png".

// The twice-as-dense version of a stored picture, null when there is none.
// Its device pixel ratio is 2, so it covers the designed size when drawn.
QImage DoubleDensityPicture(const QString& resource);

// A button glyph: the stored picture, and its twice-as-dense version for the
// screens that show it.
QIcon GlyphIcon(const QString& resource);
