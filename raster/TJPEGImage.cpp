#include "TJPEGImage.h"

TJPEGDefaults JPEGDefaults;
