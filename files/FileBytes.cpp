#include "FileBytes.h"

#include "Exceptions.h"

#include <QFile>
#include <QFileInfo>

QByteArray ReadWholeFile(const QString& fileName) {
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly))
        throw EFOpenError(fileName.toStdString());
    const qint64 size = file.size();
    QByteArray bytes;
    bytes.resize(size);
    if (bytes.size() != size)
        throw EOutOfResources();
    if (size > 0 && file.read(bytes.data(), size) != size)
        throw EReadError();
    return bytes;
}
