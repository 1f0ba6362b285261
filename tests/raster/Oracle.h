#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The IJG reference tools (djpeg, cjpeg) as oracles: run them and read what
// they write.

// Full path of a tool on PATH, or empty.
QString FindTool(const QString& name);

// Runs the tool; true when it exited with a code in `accepted`. Its messages go
// to *messages when given.
bool RunTool(const QString& program, const QStringList& arguments, std::vector<int> accepted = {0},
             QString* messages = nullptr);

// Binary PPM (P6, maxval 255) <-> RGB888 image. A null image when unreadable.
QImage ReadPpm(const QString& path);
bool WritePpm(const QString& path, const QImage& rgb888);

// An 8-bit BMP as written by djpeg -bmp: colour table and top-down indices.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> palette; // 0x00RRGGBB, every entry the file holds
    std::vector<std::uint8_t> indices;  // row-major from the top
};
bool ReadBmp8(const QString& path, IndexedPicture* picture);
