#pragma once
#include "Exceptions.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <system_error>

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

// Writes bytes over the file's content and cuts it to their length, so that
// a stop at any moment (a kill, a power loss) leaves the old content or the
// new one whole, at the latest after the next start (TInterruptedSave.h):
// before the first old byte is overwritten, the old content is copied and
// flushed to the disk, beside the file where its folder takes it, else in the
// journal's folder, and an entry in the save journal names the copy. Once
// the new content is on the disk the copy and the entry go.
//
// A failure raises EFCreateError with the reason's code, after the old
// content was written back; where even that failed, EOldContentKept.
void WriteInPlace(const QString& fileName, const QByteArray& bytes);

// The in-place write failed and so did writing the old content back: the
// file is damaged, its old content lies whole in Copy(), and the next start
// puts it back.
class EOldContentKept : public EFCreateError {
public:
    EOldContentKept(const QString& fileName, std::error_code code, const QString& copy)
        : EFCreateError(fileName.toStdString(), code), copy_(copy) {}
    QString Copy() const { return copy_; }

private:
    QString copy_;
};

// The moments of an in-place write, in order.
enum class TInPlaceStage {
    Journalled,  // the entry is written; the copy not yet made
    CopyMade,    // the old content lies whole in the copy; the file untouched
    PartWritten, // the first part of the new content is written over the old
    Written,     // the new content is on the disk; the copy is still there
    CopyRemoved, // the copy is gone; the entry is still there
};

// Called at each moment, for tests: they stop the program there, or make a
// moment before the new content is on the disk fail with the error number
// returned (0 goes on). An empty hook for none.
using TInPlaceStageHook = std::function<int(TInPlaceStage)>;
void SetInPlaceStageHook(TInPlaceStageHook hook);
