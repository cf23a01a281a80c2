#pragma once
// ColorBits: the bits per pixel of the display a window is on. At 4 or fewer the main window keeps
// its plain grey; at 8 or fewer the progress window uses a solid palette grey.

class QWidget;

namespace qbm {

// The depth of the widget's screen (or of the primary screen); 24 when no screen is known.
int ScreenColorBits(const QWidget* widget);

}  // namespace qbm
