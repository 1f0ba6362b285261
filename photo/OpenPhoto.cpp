#include "OpenPhoto.h"

void OpenPhoto(const TWindowControls&, TRememberedFolder) {}
void OpenPhotoFile(const TWindowControls&, TRememberedFolder, const QString&) {}
