#include "app/caption_fit.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>

namespace qbm {
namespace {

constexpr int Stretches[] = {100, 95, 90, 85, 80, 75, 70};

}  // namespace

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
  for (int stretch : Stretches) {
    font.setStretch(stretch);
    if (QFontMetrics(font).horizontalAdvance(caption) <= available) break;
  }
  widget->setFont(font);
}

}  // namespace qbm
