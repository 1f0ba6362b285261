#pragma once
#include "TFileHandle.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The journal of in-place saves under way: one small entry a save, written
// before the first old byte is overwritten and removed once the save is over,
// so that a start after a kill or a power loss finds what was cut off.

// What an entry says of one save: enough to tell afterwards whether the file
// holds the old bytes whole, the new ones or a mix, and where a whole copy of
// the old bytes lies.
struct TPendingSave {
    QString target; // the file written, as an absolute name
    QString copy;   // the copy of its old bytes
    quint64 device = 0;
    quint64 inode = 0; // the file itself, whatever its name shows later
    qint64 oldSize = 0;
    QByteArray oldHash;
    qint64 newSize = 0;
    QByteArray newHash;
};

// The hash that entries keep of a content (SHA-256).
QByteArray ContentHash(const QByteArray& bytes);

// The program's state folder: $XDG_STATE_HOME/tolvane, by default
// ~/.local/state/tolvane.
QString StateFolder();
// The journal's folder, which also takes the copies that no folder beside
// their file could take. Made on demand, for the user alone.
QString SaveJournalFolder();

// One entry, held (locked) while the object lives: another copy of the
// program starting meanwhile leaves a save under way alone.
class TSaveJournalEntry {
public:
    // Writes or rewrites the entry named `id`, durably: 0 or the error number.
    int Write(const QString& id, const TPendingSave& save);
    // The save is over (or settled): the entry goes.
    void Remove();

    const TPendingSave& Save() const { return save_; }

    // The entries of saves that stopped before their end, each held. Entries
    // that cannot be read, and half-written ones, are removed.
    static std::vector<TSaveJournalEntry> Left();

private:
    QString fileName_;
    TFileHandle file_;
    TPendingSave save_;
};
