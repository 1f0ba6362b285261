#pragma once

class TPanel;

// Sizes the input panel for a photo of width x height (both at least 1): the
// long side becomes 602, the short side the scaled short side plus 2. The
// view is 602 rather than 600 so that the photo's last two columns or rows
// fall just outside the 600 x 600 surface instead of leaving a gap.
void SizeInputPanel(TPanel& panel, int width, int height);
