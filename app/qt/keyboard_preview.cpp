#include "app/qt/keyboard_preview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

namespace qbm {
namespace {

bool isEnter(const QKeyEvent& key) {
  return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter ||
         (key.text().size() == 1 && IsEnterCharacter(key.text().front().unicode()));
}

bool modifierHeld(const QKeyEvent& key) {
  constexpr Qt::KeyboardModifiers Held = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  return (key.modifiers() & Held) || (QGuiApplication::queryKeyboardModifiers() & Held);
}

PreviewKey previewKey(const QKeyEvent& key) {
  PreviewKey k;
  k.kind = isEnter(key) ? PreviewKey::Kind::Enter
           : key.key() == Qt::Key_F1 ? PreviewKey::Kind::F1
                                     : PreviewKey::Kind::Other;
  k.press = key.type() == QEvent::KeyPress;
  k.autoRepeat = key.isAutoRepeat();
  if (k.kind == PreviewKey::Kind::F1) k.modifierHeld = modifierHeld(key);
  return k;
}

}  // namespace

bool PlainF1::isPlainRelease(const QKeyEvent& key) {
  if (key.key() != Qt::Key_F1) return false;
  if (key.type() != QEvent::KeyPress && key.type() != QEvent::KeyRelease) return false;
  return rule_.releasedPlain(key.type() == QEvent::KeyPress, key.isAutoRepeat(), modifierHeld(key));
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
  switch (rules_.onKey(previewKey(static_cast<const QKeyEvent&>(*event)))) {
    case KeyAction::PassOn: return false;
    case KeyAction::NextControl: nextControl_(); return true;
    case KeyAction::Help: help_(QApplication::focusWidget()); return true;
    case KeyAction::Swallow: return true;
  }
  return false;
}

}  // namespace qbm
