#pragma once
// winMain: the program's one working window, a thin view over the Session. It builds the controls
// listed in main_window_controls.h, shows the session's state (lists, reports, labels, tooltips,
// which controls are shown, the option states) after every change, and forwards what the person
// does to the session's commands. The old database is on the left, the new one on the right.

#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "app/qt/help_window.h"
#include "app/qt/qt_user_interface.h"
#include "app/qt/response_window.h"
#include "app/view/main_window_controls.h"
#include "app/view/merge_status.h"
#include "session/session.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

namespace qbm {

class DriverListView;
class KeyboardPreview;
class ReportView;

struct MainWindowOptions {
  int colorBits = 0;   // bits per pixel of the display; 0: read from the screen (ColorBits)
  QString helpFolder;  // where the help pages are; empty: help/ beside the program
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(MainWindowOptions options = {});
  ~MainWindow() override;

  Session& session() { return *session_; }
  QtUserInterface& userInterface() { return *ui_; }
  int colorBits() const { return colorBits_; }
  // The help window, once help has been asked for.
  HelpWindow* helpWindow() const { return help_; }
  // The Response window, once it has been asked for.
  ResponseWindow* responseWindow() const { return response_; }
  // What a double click or Ctrl+R in a list does: the Response window, shown or brought up, with
  // the responses of the drivers selected on both sides.
  void showResponse();

  // Opens the new database and then, if given, the old one, as if the person had chosen them in
  // the file dialogs.
  void openAtStart(const QString& newDatabase, const QString& oldDatabase = {});

  // ShowContextHelp: the help window at the topic of the control.
  void showContextHelp(const QWidget* control);

  // The stop signal (SIGINT, SIGTERM, SIGHUP) that stopped a merge, which was rolled back and the
  // window closed; 0 when none did.
  int stoppedBy() const { return stoppedBy_; }

 protected:
  // Tab and Enter enter an option pair at its selected button, and leave the pair from it.
  bool focusNextPrevChild(bool next) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildControls();
  void setTabOrder();
  QWidget* widgetOf(controls::ControlId id) const;
  std::optional<controls::ControlId> controlOf(const QWidget* widget) const;
  void centreOnScreen();

  // Shows the session's state in the widgets.
  void showState();
  // Runs one session command, never two at once, then shows the state. A close asked for while
  // it runs takes effect after it. The status line learns of it first.
  template <class Command>
  void run(WindowCommand kind, Command command);

  void fromListClicked();
  void toListClicked();
  void unitsClicked(int index);
  void mergeClicked();
  // Where the Response window opens: beside this one, or where it hides least.
  void placeResponse();
  // The Response window, while shown, follows the selections after every command.
  void refreshResponse();

  int colorBits_;
  QString helpFolder_;
  QImage tile_;
  QPixmap tilePixmap_;
  std::unique_ptr<QtUserInterface> ui_;
  std::unique_ptr<Session> session_;
  KeyboardPreview* keyboard_ = nullptr;
  QPointer<HelpWindow> help_;
  QPointer<ResponseWindow> response_;
  bool running_ = false;
  bool focusMarkShown_ = false;  // the start-up focus mark was given
  bool closeAsked_ = false;
  int stoppedBy_ = 0;

  QRadioButton* fromOpt_[2]{};
  QButtonGroup* fromOptGroup_ = nullptr;
  QPushButton* fromOpen_ = nullptr;
  QPushButton* toOpen_ = nullptr;
  QPushButton* fromOmit_ = nullptr;
  QPushButton* merge_ = nullptr;
  QPushButton* undo_ = nullptr;  // "Undo Merge" (MUndo)
  QPushButton* helpButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QWidget* unitsFrame_ = nullptr;
  QRadioButton* unitsOpt_[2]{};
  QButtonGroup* unitsGroup_ = nullptr;
  QLabel* backgrnd_ = nullptr;
  DriverListView* fromList_ = nullptr;
  DriverListView* toList_ = nullptr;
  ReportView* fromRText_ = nullptr;
  ReportView* toRText_ = nullptr;
  QLabel* fromLabel_[2]{};
  QLabel* toLabel_[2]{};
  QLabel* fromName_ = nullptr;
  QLabel* toName_ = nullptr;
  QLabel* verLabel_ = nullptr;
  QLabel* statusLine_ = nullptr;  // below the designed controls: what the last merge did
  MergeStatusLine status_;
  std::array<QWidget*, controls::ControlCount> widgets_{};  // by ControlId
};

}  // namespace qbm
