#pragma once
#include <QByteArray>
#include <QString>

// Writes bytes to a file, failing the current test when that is not possible.
void WriteFileBytes(const QString& path, const QByteArray& bytes);
// The file's bytes, failing the current test when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
