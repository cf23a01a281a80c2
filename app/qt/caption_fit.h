#pragma once
// A control whose caption would be cut off at its designed width gets a narrower setting of its
// font instead of a bigger control (app/view/caption_fit.h), measured in Qt's fonts.

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
