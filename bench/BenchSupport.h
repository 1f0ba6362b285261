#pragma once
#include <QByteArray>
#include <QImage>

// A 24-bit picture of smooth gradients with a little texture, so that its
// coded size is photo-like.
QImage SynthesisePhoto(int width, int height);

// libjpeg's bare encode of 24-bit pixels into memory, the floor for our saving.
QByteArray BareEncode(const QImage& rgb, int quality);
// The same with libjpeg's simple progression.
QByteArray BareEncodeProgressive(const QImage& rgb, int quality);
