#include "app/qt/progress_bar.h"

#include <QPainter>

namespace qbm {

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
  setObjectName("ProgBar");
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressBar::reset() {
  fill_.reset();
  update();
}

bool ProgressBar::setProgress(long done, long total) { return fill_.advance(done, total, width()); }

void ProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Background);
  painter.fillRect(QRect(0, 0, barWidth(), height()), BarColour);
}

}  // namespace qbm
