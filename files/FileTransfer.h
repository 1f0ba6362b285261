#pragma once
#include <QByteArray>
#include <QString>

// Whole transfers on an open file, through short transfers and signals. Each
// returns 0 or the error number of the call that failed, taken at once, so
// that the reason travels with the failure.

// All `size` bytes at `offset`.
int WriteAllAt(int fd, const char* data, qint64 size, qint64 offset);
int ReadAllAt(int fd, char* data, qint64 size, qint64 offset);

// The file's content made exactly `bytes`, flushed to the disk.
int WriteWhole(int fd, const QByteArray& bytes);

// Flushes a folder, so that a file made, renamed or removed in it stays so
// after a power loss.
int SyncFolder(const QString& folder);
