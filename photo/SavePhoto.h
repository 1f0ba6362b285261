#pragma once
#include "RememberedFolder.h"
#include "WindowControls.h"

#include <QString>

// The save command: offers the save dialog and writes the output picture as
// JPEG under the chosen name with the extension ".jpg".
void SavePhoto(const TWindowControls& controls, TRememberedFolder lastSaveFolder);

// The chosen name with its extension changed to ".jpg" (only "/" separates folders).
QString WithJpgExtension(const QString& fileName);
