#pragma once
// ProgBar: the bar of the progress window. It shows the largest fraction it was given since it was
// last reset, so a later, smaller fraction never shortens it (app/view/progress_layout.h).

#include <QColor>
#include <QWidget>

#include "app/view/progress_layout.h"

namespace qbm {

class ProgressBar : public QWidget {
  Q_OBJECT
 public:
  static inline const QColor Background{progress::BarBackground.red, progress::BarBackground.green,
                                        progress::BarBackground.blue};
  static inline const QColor BarColour{progress::BarColour.red, progress::BarColour.green, progress::BarColour.blue};

  explicit ProgressBar(QWidget* parent = nullptr);

  // Empties the bar.
  void reset();
  // Takes the fraction done ÷ total when it is larger than any since the reset. Returns true when
  // the drawn bar got longer (the caller repaints then).
  bool setProgress(long done, long total);

  // The largest fraction since the reset, 0 … 1.
  float fraction() const { return fill_.fraction(); }
  // The width of the drawn bar in pixels.
  int barWidth() const { return fill_.width(width()); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ProgressBarFill fill_;
};

}  // namespace qbm
