#include "app/keyboard_preview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace qbm {
namespace {

bool isEnter(const QKeyEvent& key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.text() == "\r" ||
         key.text() == "\n";
}

bool modifierHeld(const QKeyEvent& key) {
  constexpr Qt::KeyboardModifiers Held = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  return (key.modifiers() & Held) || (QGuiApplication::queryKeyboardModifiers() & Held);
}

}  // namespace

bool PlainF1::isPlainRelease(const QKeyEvent& key) {
  if (key.key() != Qt::Key_F1 || key.isAutoRepeat()) return false;
  if (key.type() == QEvent::KeyPress) {
    pressedWithModifier_ = modifierHeld(key);
    return false;
  }
  const bool plain = key.type() == QEvent::KeyRelease && !pressedWithModifier_ && !modifierHeld(key);
  pressedWithModifier_ = false;
  return plain;
}

KeyboardPreview::KeyboardPreview(QWidget* window, std::function<void()> nextControl,
                                 std::function<void(QWidget*)> help)
    : QObject(window), window_(window), nextControl_(std::move(nextControl)), help_(std::move(help)) {
  qApp->installEventFilter(this);
}

KeyboardPreview::~KeyboardPreview() { qApp->removeEventFilter(this); }

bool KeyboardPreview::belongsToWindow(QObject* watched) const {
  const auto* widget = qobject_cast<QWidget*>(watched);
  return widget && widget->window() == window_;
}

bool KeyboardPreview::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  if (!belongsToWindow(watched)) return false;
  const auto& key = static_cast<const QKeyEvent&>(*event);
  if (isEnter(key)) {
    // Swallowed on the way down and up, so no control acts on it (a button would be pressed).
    if (type == QEvent::KeyPress) nextControl_();
    return true;
  }
  if (f1_.isPlainRelease(key)) {
    help_(QApplication::focusWidget());
    return true;
  }
  if (key.key() == Qt::Key_F1) return true;  // with a modifier: nothing, and no control sees it
  return false;
}

}  // namespace qbm
