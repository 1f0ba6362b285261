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

// The settings file: beside the executable when that folder can be written
// (a portable copy), otherwise in tolvane/ of the user's configuration folder
// (an installed program); tests point it elsewhere.
QString SettingsFileName();
void SetSettingsFileName(const QString& fileName); // empty restores the default

// The choice SettingsFileName makes for these folders. A folder counts as
// writable when a file can be created in it, whoever runs the program.
QString SettingsFileFor(const QString& programFolder, const QString& configFolder);

// Reads the whole record; a missing, short, oversized or garbled file leaves
// both folders empty.
void LoadSettings();
// Writes the whole record at once, replacing the file only when it is
// complete; the user's tolvane/ folder is made when missing, no other folder
// is. Raises EFCreateError when the file cannot be written.
void SaveSettings();
