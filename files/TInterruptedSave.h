#pragma once
#include "SaveJournal.h"

#include <QString>
#include <system_error>
#include <vector>

// An in-place save that was cut off (the program killed, the power lost),
// found in the save journal at start, whose file could not be given its old
// content back without asking the user.
class TInterruptedSave {
public:
    enum class TState {
        Changed,    // the file was changed or replaced after the save stopped
        Missing,    // the file is gone
        NotPutBack, // writing the old content back failed, for Failure()
    };

    QString Target() const { return entry_.Save().target; }
    QString Copy() const { return entry_.Save().copy; }
    TState State() const { return state_; }
    std::error_code Failure() const { return failure_; }

    // The user wants the old content back: it replaces the file's, and the
    // copy goes. EFCreateError on failure; the copy and the entry stay then.
    void PutBack();
    // The user does not: the copy stays where it is, the journal forgets it.
    void Forget();

private:
    friend std::vector<TInterruptedSave> RecoverInterruptedSaves();
    TInterruptedSave(TSaveJournalEntry entry, TState state, std::error_code failure)
        : entry_(std::move(entry)), state_(state), failure_(failure) {}

    TSaveJournalEntry entry_;
    TState state_;
    std::error_code failure_;
};

// Settles, at start, every in-place save that another run of the program left
// unfinished: where the file holds the new content or the old one whole, the
// copy goes; where it holds a mix, the old content is written back from the
// copy. A file changed since, a missing file, or one that cannot be written
// now is left as it is and returned, for the user to decide.
std::vector<TInterruptedSave> RecoverInterruptedSaves();
