#pragma once
// The window was laid out for fonts narrower than many systems have. A control whose caption would
// be cut off at its designed width gets a narrower setting of its font (down to 70 % of the normal
// width) instead of a bigger control, so the layout stays as designed.

class QWidget;
class QString;

namespace qbm {

// Narrows the widget's font until `caption` fits in `available` pixels, or to the narrowest
// setting. A caption that fits is left in the normal width.
void FitCaption(QWidget* widget, const QString& caption, int available);

// The room a label, a push button or an option button leaves for its caption, by the widget's
// style.
int CaptionRoom(const QWidget* widget);

}  // namespace qbm
