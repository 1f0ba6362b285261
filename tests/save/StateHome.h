#pragma once
#include "TempDir.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>
#include <QtGlobal>

// $XDG_STATE_HOME in a folder of the test's own while it lives, so that the
// save journal a test reads is the one its saves wrote, and no run leaves
// entries in the user's own state folder.
class StateHome {
public:
    StateHome()
        : had_(qEnvironmentVariableIsSet("XDG_STATE_HOME")), previous_(qgetenv("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir_.Path()));
    }
    ~StateHome() {
        if (had_)
            qputenv("XDG_STATE_HOME", previous_);
        else
            qunsetenv("XDG_STATE_HOME");
    }
    StateHome(const StateHome&) = delete;
    StateHome& operator=(const StateHome&) = delete;

    QString Path() const { return dir_.Path(); }
    QString Journal() const { return dir_.File(QStringLiteral("tolvane/saving")); }
    // The entries and copies in the journal's folder.
    QStringList JournalFiles() const {
        return QDir(Journal()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

private:
    TempDir dir_;
    bool had_;
    QByteArray previous_;
};
