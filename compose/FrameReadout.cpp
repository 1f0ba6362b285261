#include "FrameReadout.h"

#include "Rounding.h"

TFrameReadout ReadFrame(const QRect& frame, int photoWidth, int viewWidth, const TCellRect& cell) {
    TFrameReadout readout;
    readout.CellWidth = cell.Columns();
    readout.CellHeight = cell.Rows();
    if (viewWidth <= 0)
        return readout;
    // The same steps as the trimming: the scale stored as a double, each
    // inclusive edge multiplied in extended precision and rounded.
    const auto scale = static_cast<double>(static_cast<long double>(photoWidth) / viewWidth);
    const long double s = scale;
    const int x1 = Round(frame.left() * s);
    const int x2 = Round((frame.left() + frame.width() - 1) * s);
    const int y1 = Round(frame.top() * s);
    const int y2 = Round((frame.top() + frame.height() - 1) * s);
    readout.CropWidth = x2 - x1 + 1;
    readout.CropHeight = y2 - y1 + 1;
    return readout;
}

QString FrameReadoutText(const TFrameReadout& readout) {
    QString text = QStringLiteral("%1 × %2 → %3 × %4")
                       .arg(readout.CropWidth)
                       .arg(readout.CropHeight)
                       .arg(readout.CellWidth)
                       .arg(readout.CellHeight);
    if (readout.Enlarged())
        text += QStringLiteral("\n拡大されます（画質が粗くなります）");
    return text;
}
