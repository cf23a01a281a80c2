#pragma once
// winProgress: the small window in front of everything that names the current phase of a long
// operation (ProgText) and shows how far it has got (ProgBar). It has no buttons and cannot be
// cancelled. Its owner is the main window; F1 in it asks for help.

#include <QColor>
#include <QWidget>

#include "app/qt/keyboard_preview.h"
#include "app/view/progress_layout.h"

class QLabel;

namespace qbm {

class ProgressBar;

class ProgressWindow : public QWidget {
  Q_OBJECT
 public:
  static inline const QColor Background{progress::Background.red, progress::Background.green,
                                        progress::Background.blue};
  // On displays of 8 bits per pixel or fewer: a solid colour of the standard palette.
  static inline const QColor PaletteBackground{progress::PaletteBackground.red, progress::PaletteBackground.green,
                                               progress::PaletteBackground.blue};

  // colorBits: the display's bits per pixel (ColorBits).
  ProgressWindow(QWidget* owner, int colorBits);

  // Shows the window with this caption, centred on the owner's screen and with an empty bar when
  // it was hidden; only changes the caption when it is shown. A window just shown is always painted
  // before returning; one already shown only when paintNow (else at the next paint).
  void start(const QString& caption, bool paintNow = true);
  // Moves the bar to done ÷ total if that is further; returns true when its width changed (it is
  // painted with the next paint of the window).
  bool setProgress(long done, long total);
  // Hides the window.
  void finish();

  QString caption() const;
  ProgressBar& bar() { return *bar_; }

 signals:
  // F1 without Shift, Ctrl or Alt.
  void helpRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void centreOnScreen();
  // Lets the window system's events through until the window is on screen (at most half a second).
  void waitUntilShown();

  QLabel* text_;
  ProgressBar* bar_;
  PlainF1 f1_;
};

}  // namespace qbm
