#pragma once
// The main window's keyboard preview: it sees every key before the window's controls. Enter (a
// typed carriage return or line feed) never reaches a control and moves the focus on as Tab does;
// F1 released without Shift, Ctrl or Alt asks for the help of the control that has the focus.

#include <QObject>
#include <functional>

class QWidget;

namespace qbm {

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
};

}  // namespace qbm
