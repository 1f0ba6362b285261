#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Gives a file new content without losing the old on failure. A file the user
// may not write, or that has no write permission for anybody, is refused;
// one that a new file would not stand in for (FileInPlace.h) is written in
// place; elsewhere the bytes go to a temporary file beside it, which takes
// the old file's mode (and group where allowed) and extended attributes (its
// ACL among them) and replaces it only once complete. Where that temporary
// file cannot be made, written or given those attributes (a full disk, an
// attribute the user may not set), an existing file is written in place
// after all. `bytes` is asked for once the target is known to be writable.
// Failures raise EFCreateError with the reason's code; the old file is then
// as it was (FileInPlace.h tells the one exception).
void ReplaceFileContent(const QString& fileName, const std::function<QByteArray()>& bytes);
