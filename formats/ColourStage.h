#pragma once
#include <QByteArray>
#include <QImage>
#include <functional>

// The colour stage of every format but JPEG (whose decoder converts as it
// goes): the decoder's own pixels from their embedded ICC profile to sRGB
// with Little CMS (TColourTransform), then transparency laid over white.
// `decoded` is any picture Qt holds; RGBA8888_Premultiplied for a decoder
// that gives premultiplied colour. `grey` says its pixels are grey levels
// (every channel alike): they go through a grey profile as grey, and an RGB
// profile leaves them alone, as it does a grey photo's. A profile Little CMS
// cannot use, or one that describes sRGB, changes nothing: the pixels come
// out as Qt converts them to RGB888 (transparency over white as
// RgbaOverWhite lays it). Told (rows done, rows) every 64 rows it converts.
// EOutOfResources when the memory for the result cannot be had.
QImage SrgbOverWhite(QImage decoded, const QByteArray& iccProfile, bool grey,
                     const std::function<void(int done, int rows)>& progress);
