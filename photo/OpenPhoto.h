#pragma once
#include "RememberedFolder.h"
#include "WindowControls.h"

#include <QString>

// The open-photo command: offers the open dialog, then opens the chosen file.
// Failures are silent; the input view is shown and the frame placed on every
// way out.
void OpenPhoto(const TWindowControls& controls, TRememberedFolder lastOpenFolder);

// The same road for a file chosen another way (no dialog).
void OpenPhotoFile(const TWindowControls& controls, TRememberedFolder lastOpenFolder,
                   const QString& fileName);
