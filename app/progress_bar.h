#pragma once
// ProgBar: the bar of the progress window. It shows the largest fraction it was given since it was
// last reset, so a later, smaller fraction never shortens it.

#include <QColor>
#include <QWidget>

namespace qbm {

// done ÷ total in single precision, clamped to 1; nothing to draw (0) for 0 ÷ 0 and for negative
// values; a full bar for a positive done over a total of 0.
float ProgressFraction(long done, long total);

class ProgressBar : public QWidget {
  Q_OBJECT
 public:
  static inline const QColor Background{192, 192, 192};
  static inline const QColor BarColour{101, 101, 255};

  explicit ProgressBar(QWidget* parent = nullptr);

  // Empties the bar.
  void reset();
  // Takes the fraction done ÷ total when it is larger than any since the reset. Returns true when
  // the drawn bar got longer (the caller repaints then).
  bool setProgress(long done, long total);

  // The largest fraction since the reset, 0 … 1.
  float fraction() const { return fraction_; }
  // The width of the drawn bar in pixels.
  int barWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  float fraction_ = 0;
};

}  // namespace qbm
