#pragma once
#include <QByteArray>
#include <QImage>

// JPEG files that are valid enough for the decoder to work on for a long time,
// made by the tests themselves.

// The most scans ManyScanJpeg can make for a colour picture: the DC of all
// components refined bit by bit, then every AC coefficient of every component
// in a scan of its own, first at its top bit and then refined bit by bit.
constexpr int ManyScanLimit = 11 + 3 * 63 * 11;

// A progressive file whose scan script is the first `scans` scans of the
// script above (at least the 11 DC scans, at most ManyScanLimit).
QByteArray ManyScanJpeg(const QImage& image, int scans);

// The file with its last scan (and the tables just before it) repeated until
// it holds `scans` scans; the decoder only warns about the repeats.
QByteArray RepeatLastScan(const QByteArray& progressive, int scans);

// The number of start-of-scan markers in a file.
int CountScans(const QByteArray& jpeg);

// The file with its frame header declaring another size; the decoder pads
// the missing data.
QByteArray WithDeclaredSize(QByteArray jpeg, int width, int height);

// A baseline colour file (quality 75) with a restart marker after every row
// of MCUs, as cameras write them, or with none.
QByteArray RestartJpeg(const QImage& image, bool restarts);

// The file with its first stuffed zero (FF 00) at or after `at`, a fraction
// of its size, made into a marker byte (FF 00 becomes FF `marker`), as one
// damaged byte in the coded data does. Its offset goes to *offset.
QByteArray WithStuffedByteDamaged(QByteArray jpeg, double at, unsigned char marker, qsizetype* offset = nullptr);
