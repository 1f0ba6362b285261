#include "SharedData.h"

#include <QDir>
#include <QFileInfo>

QString SharedJpegDir() {
    const QString dir = QStringLiteral(TOLVANE_SHARED_DIR) + QStringLiteral("/testdata/jpeg");
    return QFileInfo(dir).isDir() ? QDir(dir).absolutePath() : QString();
}

QString SharedJpeg(const QString& name) {
    const QString dir = SharedJpegDir();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + name;
}
