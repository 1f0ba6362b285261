#pragma once
#include <QByteArray>
#include <QString>

// Replacing an existing file's content without making a new file.
//
// Writing a new file beside the old one and renaming it over the old is the
// safe way, but the new file is not the old one: it needs a folder the user
// may write, it belongs to the user who saved, and other hard links to the
// old file keep the old content. Where any of that matters, the file is
// written in place instead.

// True for an existing regular file that has other hard links, belongs to
// another user, or lies in a folder this user may not write.
bool ReplacedInPlace(const QString& fileName);

// Writes bytes over the file's content and cuts it to their length. The old
// content is read first and held; if the writing fails it is written back
// and the failure raised as EFCreateError, with errno telling why.
void WriteInPlace(const QString& fileName, const QByteArray& bytes);
