#include "app/qt/response_window.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/qt/qt_geometry.h"
#include "app/qt/qt_text.h"
#include "app/view/keyboard_rules.h"
#include "app/view/response_layout.h"

namespace qbm {
namespace {

using namespace response;

QColor seriesColour(ResponseSide side) { return qtColour(SeriesColour(side)); }

}  // namespace

ResponseWindow::ResponseWindow(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setObjectName("ResponseWindow");
  setWindowTitle(qtText(Title));
  resize(WidthPixels, HeightPixels);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, qtColour(Background));
  setPalette(palette);
}

void ResponseWindow::showResponses(std::vector<DriverResponse> responses) {
  responses_ = std::move(responses);
  update();
}

PlotArea ResponseWindow::plotArea() const { return PlotAreaOf(width(), height(), responses_.size()); }

ResponsePlot ResponseWindow::plot() const { return LayOutResponsePlot(responses_, plotArea()); }

void ResponseWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PlotArea area = plotArea();
  const ResponsePlot shown = plot();
  const QRectF frame(area.left, area.top, area.width, area.height);
  const QFontMetrics metrics(font());

  // The legend: a swatch of each driver's colour (dotted for one without acoustic data), then its text.
  const double first = MarginTop + metrics.ascent();
  for (const LegendLine& line : LegendOf(responses_, shown)) {
    const double y = first + line.baselineOffset;
    painter.setPen(QPen(seriesColour(line.side), CurveWidth, line.curve ? Qt::SolidLine : Qt::DotLine));
    painter.drawLine(QPointF(MarginLeft, y - metrics.ascent() / 2.0),
                     QPointF(MarginLeft + LegendLineLength, y - metrics.ascent() / 2.0));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(LegendTextLeft, y), qtText(line.text));
  }
  painter.setPen(Qt::black);
  if (responses_.empty()) painter.drawText(QPointF(MarginLeft, first), qtText(NothingSelected));

  // Grid and its labels.
  for (const PlotGridLine& line : shown.frequencyLines) {
    painter.setPen(QPen(qtColour(line.label.empty() ? MinorFrequencyLine : MajorFrequencyLine), 1));
    painter.drawLine(QPointF(line.position, frame.top()), QPointF(line.position, frame.bottom()));
    if (line.label.empty()) continue;
    const QString label = qtText(line.label);
    painter.setPen(Qt::black);
    painter.drawText(QPointF(line.position - metrics.horizontalAdvance(label) / 2.0, frame.bottom() + metrics.ascent() + 3), label);
  }
  painter.setPen(Qt::black);
  const QString unit = qtText(FrequencyUnit);
  painter.drawText(QPointF(frame.right() - metrics.horizontalAdvance(unit), frame.bottom() + metrics.ascent() + 3), unit);
  for (const PlotGridLine& line : shown.levelLines) {
    painter.setPen(QPen(qtColour(LevelLine), 1));
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
    painter.setPen(QPen(seriesColour(series.side), CurveWidth));
    painter.drawPath(path);
  }
}

void ResponseWindow::keyPressEvent(QKeyEvent* event) {
  if (EscapeCloses(event->key() == Qt::Key_Escape, event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                                         Qt::AltModifier))) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace qbm
