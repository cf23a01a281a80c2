#include "app/qt/caption_fit.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>

#include "app/view/caption_fit.h"

namespace qbm {

int CaptionRoom(const QWidget* widget) {
  const QStyle* style = widget->style();
  if (qobject_cast<const QRadioButton*>(widget))
    return widget->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, widget) -
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, widget) - 1;
  if (qobject_cast<const QPushButton*>(widget))
    return widget->width() - style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget) -
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
  return widget->width();
}

void FitCaption(QWidget* widget, const QString& caption, int available) {
  QFont font = widget->font();
  font.setStretch(FitStretch(available, [&](int stretch) {
    font.setStretch(stretch);
    return QFontMetrics(font).horizontalAdvance(caption);
  }));
  widget->setFont(font);
}

}  // namespace qbm
