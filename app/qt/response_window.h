#pragma once
// The "Response" window: a small window beside winMain, not modal, that plots the acoustic
// response of the driver selected on each side (old and new, in colours of their own, with a
// legend), or says that a driver has no acoustic data. What it draws is worked out by
// LayOutResponsePlot (report/response_plot.h); the window only paints it.
#include <QWidget>
#include <vector>

#include "report/response_plot.h"

namespace qbm {

class ResponseWindow : public QWidget {
  Q_OBJECT
 public:
  explicit ResponseWindow(QWidget* owner);

  // Shows these drivers' responses (none: an empty plot and a line saying to select a driver).
  void showResponses(std::vector<DriverResponse> responses);
  const std::vector<DriverResponse>& responses() const { return responses_; }
  // The plot as painted at the window's present size.
  ResponsePlot plot() const;
  PlotArea plotArea() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // Escape alone closes the window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::vector<DriverResponse> responses_;
};

}  // namespace qbm
