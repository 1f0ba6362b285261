#pragma once
#include "RememberedFolder.h"

#include <QByteArray>
#include <QString>

// The folders the program remembers between runs, as the bytes of the path
// with the trailing separator, at most FolderLimit bytes each.
struct TSettingsRecord {
    QByteArray LastOpenFolder;
    QByteArray LastSaveFolder;
};

extern TSettingsRecord Settings;

// The settings file beside the executable; tests point it elsewhere.
QString SettingsFileName();
void SetSettingsFileName(const QString& fileName); // empty restores the default

// Reads the whole record; a missing, short, oversized or garbled file leaves
// both folders empty.
void LoadSettings();
// Writes the whole record at once, replacing the file only when it is
// complete. Raises EFCreateError when the file cannot be written.
void SaveSettings();
