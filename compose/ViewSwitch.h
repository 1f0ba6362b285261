#pragma once
#include "WindowControls.h"

// The two views of the window's work area: the output picture and the photo
// with its frame.
enum class TView { Output, Input };

// The window's view switch: shows the view Composition.ViewRequest asks for
// (non-zero: the input view) and stores the opposite request, so that calling
// it again toggles.
void ShowRequestedView(const TWindowControls& controls);

// Asks for a view and shows it.
void RequestView(const TWindowControls& controls, TView view);

bool InputViewShown(const TWindowControls& controls);
