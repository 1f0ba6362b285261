#pragma once
#include "RememberedFolder.h"
#include "WindowControls.h"

#include <QString>
#include <functional>

// The save command: offers the save dialog and writes the output picture as
// JPEG under the chosen name with the extension ".jpg".
void SavePhoto(const TWindowControls& controls, TRememberedFolder lastSaveFolder);

// The chosen name with its extension changed to ".jpg" (only "/" separates folders).
QString WithJpgExtension(const QString& fileName);

// At start: files whose save in place another run left unfinished (killed,
// the power lost) get their old content back. Where that cannot be done
// silently (the file was changed or is gone since), the user is asked in a
// message box, which tells where the old content is kept; a file that cannot
// be written now is reported, and tried again at the next start.
void SettleInterruptedSaves();

// Answers the start's question instead of the message box (tests): true puts
// the old content back. An empty answerer restores the box.
using TInterruptedSaveAnswerer = std::function<bool(const QString& question)>;
void SetInterruptedSaveAnswerer(TInterruptedSaveAnswerer answerer);
