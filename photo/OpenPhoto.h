#pragma once
#include "RememberedFolder.h"
#include "WindowControls.h"

#include <QString>

// The open-photo command: offers the open dialog in the remembered folder,
// then opens the chosen file as OpenPhotoFile does. Cancelling opens nothing
// but still shows the input view with the frame back at the current cell.
// True when a photo replaced the working bitmap.
bool OpenPhoto(const TWindowControls& controls, TRememberedFolder lastOpenFolder);

// Opens a file chosen another way (no dialog): decodes it at full size into
// the working bitmap, sizes the input panel, fits the photo into the view and
// remembers its folder. A failure keeps what it had not yet replaced: a file
// that cannot be read or is of no photo type changes nothing; once it has
// loaded, the folder is remembered (and written, if the settings file can be
// written) even when decoding then fails. A file of no photo type, a picture
// past the practical limit and one too large for the memory free
// (PhotoMemory.h) are refused with a message naming the type found or the
// size; any other failure (an unreadable file, a damaged photo) is silent.
// Every way out shows the input view and places the frame at the current
// cell. True when the photo replaced the working bitmap.
bool OpenPhotoFile(const TWindowControls& controls, TRememberedFolder lastOpenFolder,
                   const QString& fileName);
