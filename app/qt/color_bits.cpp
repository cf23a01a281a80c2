#include "app/qt/color_bits.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qbm {

int ScreenColorBits(const QWidget* widget) {
  const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->depth() : 24;
}

}  // namespace qbm
