#pragma once
// winMain for Windows: the program's one working window, a thin view over the Session, written
// against the Windows API. It builds its controls from the shared table (app/view), shows the
// session's state after every change, and forwards what the person does to the session's commands:
// the same window, control by control, as the Qt one. The old database is on the left, the new one
// on the right.

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/view/keyboard_rules.h"
#include "app/view/main_window_controls.h"
#include "app/view/merge_status.h"
#include "app/win32/caption_fonts.h"
#include "app/win32/driver_list_box.h"
#include "app/win32/help_launcher.h"
#include "app/win32/report_box_view.h"
#include "app/win32/response_window.h"
#include "app/win32/win_user_interface.h"
#include "session/session.h"

namespace qbm::win32 {

struct MainWindowOptions {
  int colorBits = 0;           // bits per pixel of the display; 0: read from the screen (ColorBits)
  std::wstring programFolder;  // where the help is looked for; empty: the program's folder
  HelpLauncher help;           // what opens help at a topic; empty: HTML Help (help_launcher.h)
  bool quitOnClose = true;     // the thread's message loop ends when the window closes
};

class MainWindow {
 public:
  explicit MainWindow(MainWindowOptions options = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND handle() const { return hwnd_; }
  Session& session() { return *session_; }
  WinUserInterface& userInterface() { return *ui_; }
  int colorBits() const { return colorBits_; }
  UINT dpi() const { return dpi_; }

  // The control's window, and the control a window is (nothing for any other).
  HWND control(controls::ControlId id) const { return controls_[static_cast<std::size_t>(id)]; }
  std::optional<controls::ControlId> controlOf(HWND window) const;
  DriverListBox& fromList() { return *fromList_; }
  DriverListBox& toList() { return *toList_; }
  ReportBoxView& fromReport() { return fromRText_; }
  ReportBoxView& toReport() { return toRText_; }
  // The text of the control's tooltip as its tooltip window holds it.
  std::wstring tooltipOf(controls::ControlId id) const;
  // The status line below the designed controls: what the last merge did.
  HWND statusLine() const { return statusLine_; }

  // Shows the window, centred on its monitor, with the focus on the first control in tab order.
  void show();
  // True until the window is closed.
  bool isOpen() const { return hwnd_ != nullptr; }
  // Closes the window as its close box does (after the running command, if one runs).
  void close();

  // Opens the new database and then, if given, the old one, as if the person had chosen them in
  // the file dialogs (UTF-8 paths).
  void openAtStart(const std::string& newDatabase, const std::string& oldDatabase = {});

  // What a double click or Ctrl+R in a list does: the Response window, shown or brought up, with
  // the responses of the drivers selected on both sides.
  void showResponse();
  // The Response window, once it has been asked for.
  ResponseWindow* responseWindow() const { return response_.get(); }
  // ShowContextHelp: help at the topic of the control (null: the window's).
  void showContextHelp(HWND control);

  // The keyboard preview, for the message loop: applies the keyboard rules to a key message of the
  // window or its controls before it is dispatched. True when the message is handled (dropped).
  bool preTranslate(const MSG& message);

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  void createControls();
  void makeTile();
  // Places the window and its controls, and makes their fonts, at this DPI.
  void layOut(UINT dpi);
  void addTooltips();
  // Sets a control's caption in its font, narrowed when the caption would not fit.
  void showCaption(controls::ControlId id, const std::wstring& caption);
  void setTooltip(controls::ControlId id, const std::string& text);

  // Shows the session's state in the controls.
  void showState();
  // Runs one session command, never two at once, then shows the state. A close asked for while it
  // runs takes effect after it. The status line learns of it first.
  template <class Command>
  void run(WindowCommand kind, Command command);

  void onCommand(controls::ControlId id, WORD code);
  void optionClicked(controls::ControlId id);
  void listChanged(bool fromSide);
  void listClicked(bool fromSide);
  void refreshResponse();
  // Tab and Shift+Tab, and Enter as Tab: the next control that can take the focus.
  void moveFocus(bool forward);
  void moveFocus(std::optional<controls::ControlId> from, bool forward);
  // An arrow key on an option: the pair's option in that direction, selected as a click selects it.
  void arrowInPair(controls::ControlId at, WPARAM key);
  bool canFocus(controls::ControlId id) const;
  HBRUSH backgroundFor(HWND control, HDC dc) const;
  void closeNow();

  MainWindowOptions options_;
  int colorBits_ = 24;
  UINT dpi_ = 96;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND statusLine_ = nullptr;
  MergeStatusLine status_;
  std::array<HWND, controls::ControlCount> controls_{};
  std::array<std::string, controls::ControlCount> tooltips_{};
  std::unique_ptr<WinUserInterface> ui_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<DriverListBox> fromList_, toList_;
  ReportBoxView fromRText_{nullptr}, toRText_{nullptr};
  std::unique_ptr<ResponseWindow> response_;
  KeyboardPreviewRules keyboard_;

  HFONT regularFont_ = nullptr, boldFont_ = nullptr, versionFont_ = nullptr;
  CaptionFonts captionFonts_;
  HBITMAP tile_ = nullptr;
  HBRUSH tileBrush_ = nullptr, greyBrush_ = nullptr, whiteBrush_ = nullptr;
  HWND focusBeforeDeactivation_ = nullptr;

  bool running_ = false;
  bool closeAsked_ = false;
  bool clickPending_[2] = {false, false};  // a list's click is on its way (old, new)
};

// The thread's message loop for the window: the keyboard preview, then dispatch, until the window
// closes. Returns the exit code of the quit message.
int RunMessageLoop(MainWindow& window);

}  // namespace qbm::win32
