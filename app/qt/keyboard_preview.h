#pragma once
// The main window's keyboard preview: it sees every key before the window's controls and applies
// the keyboard rules both windows share (app/view/keyboard_rules.h): Enter (a typed carriage return
// or line feed) never reaches a control and moves the focus on as Tab does; F1 released without
// Shift, Ctrl or Alt asks for the help of the control that has the focus.

#include <QObject>
#include <functional>

#include "app/view/keyboard_rules.h"

class QKeyEvent;
class QWidget;

namespace qbm {

// Tells the key-up of a plain F1 (PlainF1Key) from Qt's key events. A modifier counts as held when
// the event says so or, where a window system leaves it out of the event, the keyboard's state does.
class PlainF1 {
 public:
  // Feed every key press and release; true for the release of a plain F1.
  bool isPlainRelease(const QKeyEvent& key);

 private:
  PlainF1Key rule_;
};

class KeyboardPreview : public QObject {
  Q_OBJECT
 public:
  // Watches the keys of `window` and its controls (installs itself on the application).
  // nextControl moves the focus to the next control in tab order; help gets the focused control
  // (or null).
  KeyboardPreview(QWidget* window, std::function<void()> nextControl, std::function<void(QWidget*)> help);
  ~KeyboardPreview() override;

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool belongsToWindow(QObject* watched) const;

  QWidget* window_;
  std::function<void()> nextControl_;
  std::function<void(QWidget*)> help_;
  KeyboardPreviewRules rules_;
};

}  // namespace qbm
