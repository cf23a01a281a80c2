#include "app/progress_bar.h"

#include <QPainter>
#include <cmath>

namespace qbm {

float ProgressFraction(long done, long total) {
  const float fraction = static_cast<float>(done) / static_cast<float>(total);
  if (std::isnan(fraction) || fraction <= 0) return 0;
  return fraction > 1 ? 1.0f : fraction;
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
  setObjectName("ProgBar");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressBar::reset() {
  fraction_ = 0;
  update();
}

bool ProgressBar::setProgress(long done, long total) {
  const float fraction = ProgressFraction(done, total);
  if (fraction <= fraction_) return false;
  const int before = barWidth();
  fraction_ = fraction;
  return barWidth() != before;
}

int ProgressBar::barWidth() const { return static_cast<int>(std::lround(fraction_ * width())); }

void ProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Background);
  painter.fillRect(QRect(0, 0, barWidth(), height()), BarColour);
}

}  // namespace qbm
