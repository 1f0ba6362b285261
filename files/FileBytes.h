#pragma once
#include <QByteArray>
#include <QString>

// All the bytes of a file, read while other programs may read it but not
// write it. EFOpenError when it cannot be opened (or is a folder), EReadError
// on a short read, EOutOfResources when memory for it is lacking.
QByteArray ReadWholeFile(const QString& fileName);
