#include "app/response_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/qt_text.h"

namespace qbm {
namespace {

constexpr int MarginLeft = 52, MarginRight = 16, MarginBottom = 26, LineHeight = 16;

QColor seriesColour(ResponseSide side) { return side == ResponseSide::Old ? QColor(0, 64, 192) : QColor(192, 0, 0); }

}  // namespace

ResponseWindow::ResponseWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setObjectName("ResponseWindow");
  setWindowTitle("Response");
  resize(520, 340);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
}

void ResponseWindow::showResponses(std::vector<DriverResponse> responses) {
  responses_ = std::move(responses);
  update();
}

PlotArea ResponseWindow::plotArea() const {
  // The legend and the notes above the plot: one line each, and a blank line.
  const int lines = static_cast<int>(std::max<std::size_t>(responses_.size(), 1)) + 1;
  const double top = 8 + lines * LineHeight;
  return {MarginLeft, top, std::max(10.0, width() - MarginLeft - MarginRight * 1.0),
          std::max(10.0, height() - top - MarginBottom)};
}

ResponsePlot ResponseWindow::plot() const { return LayOutResponsePlot(responses_, plotArea()); }

void ResponseWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PlotArea area = plotArea();
  const ResponsePlot shown = plot();
  const QRectF frame(area.left, area.top, area.width, area.height);
  const QFontMetrics metrics(font());

  // Legend and notes.
  double y = 8 + metrics.ascent();
  for (const PlotSeries& series : shown.series) {
    painter.setPen(QPen(seriesColour(series.side), 2));
    painter.drawLine(QPointF(MarginLeft, y - metrics.ascent() / 2.0), QPointF(MarginLeft + 24, y - metrics.ascent() / 2.0));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(MarginLeft + 30, y), qtText(series.label));
    y += LineHeight;
  }
  painter.setPen(Qt::black);
  for (const std::string& note : shown.notes) {
    painter.drawText(QPointF(MarginLeft, y), qtText(note));
    y += LineHeight;
  }
  if (responses_.empty()) painter.drawText(QPointF(MarginLeft, y), "Select a driver to see its response.");

  // Grid and its labels.
  for (const PlotGridLine& line : shown.frequencyLines) {
    painter.setPen(QPen(line.label.empty() ? QColor(225, 225, 225) : QColor(160, 160, 160), 1));
    painter.drawLine(QPointF(line.position, frame.top()), QPointF(line.position, frame.bottom()));
    if (line.label.empty()) continue;
    const QString label = qtText(line.label);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(line.position - metrics.horizontalAdvance(label) / 2.0, frame.bottom() + metrics.ascent() + 3), label);
  }
  painter.setPen(Qt::black);
  painter.drawText(QPointF(frame.right() - metrics.horizontalAdvance("Hz"), frame.bottom() + metrics.ascent() + 3), "Hz");
  for (const PlotGridLine& line : shown.levelLines) {
    painter.setPen(QPen(QColor(190, 190, 190), 1));
    painter.drawLine(QPointF(frame.left(), line.position), QPointF(frame.right(), line.position));
    const QString label = qtText(line.label);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(frame.left() - metrics.horizontalAdvance(label) - 4, line.position + metrics.ascent() / 2.0 - 1), label);
  }
  painter.setPen(QPen(Qt::black, 1));
  painter.drawRect(frame);

  // The curves, clipped to the frame.
  painter.setClipRect(frame.adjusted(-1, -1, 1, 1));
  for (const PlotSeries& series : shown.series) {
    QPainterPath path;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
      const QPointF p(series.points[i].x, series.points[i].y);
      if (i == 0) path.moveTo(p); else path.lineTo(p);
    }
    painter.setPen(QPen(seriesColour(series.side), 2));
    painter.drawPath(path);
  }
}

}  // namespace qbm
