#include "app/win32/win_user_interface.h"

#include <commctrl.h>

#include "app/view/dialog_text.h"
#include "app/view/main_window_controls.h"
#include "app/win32/file_dialog.h"
#include "app/win32/keyboard_state.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

const std::wstring& applicationTitle() {
  static const std::wstring title = wide(controls::ApplicationTitle);
  return title;
}

UINT iconOf(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Critical: return MB_ICONHAND;
    case MessageIcon::Question: return MB_ICONQUESTION;
    case MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MessageIcon::Information: return MB_ICONASTERISK;
  }
  return 0;
}

bool isInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// What the question's callback needs: the details, worked out once, when first opened.
struct QuestionDetails {
  const std::function<std::string()>* details;
  bool shown = false;
};

HRESULT CALLBACK questionCallback(HWND dialog, UINT notification, WPARAM wParam, LPARAM, LONG_PTR data) {
  auto* context = reinterpret_cast<QuestionDetails*>(data);
  if (notification != TDN_EXPANDO_BUTTON_CLICKED || !wParam || context->shown) return S_OK;
  context->shown = true;
  HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  std::string text;
  try {
    text = (*context->details)();
  } catch (const std::exception& e) {
    text = std::string("The details could not be worked out: ") + e.what();
  }
  SetCursor(before);
  const std::wstring shown = MessageBoxText(text);
  SendMessageW(dialog, TDM_SET_ELEMENT_TEXT, TDE_EXPANDED_INFORMATION, reinterpret_cast<LPARAM>(shown.c_str()));
  return S_OK;
}

}  // namespace

std::wstring MessageBoxText(const std::string& text) {
  // A message box wraps its lines at words; a word wider than the box can be (a long path) is
  // broken first, so that none is cut off. Measured in the message boxes' font.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  HFONT font = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                   ? CreateFontIndirectW(&metrics.lfMessageFont)
                   : nullptr;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  RECT work{0, 0, 1024, 768};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int limit = MessageLineLimit(work.right - work.left, GetDeviceCaps(dc, LOGPIXELSX));
  const std::string broken = BreakLongWords(WithLineBreaks(text, "\n"), limit, [dc](std::string_view piece) {
    const std::wstring w = wide(piece);
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
    return static_cast<int>(size.cx);
  });
  if (old) SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (font) DeleteObject(font);
  return wide(WithLineBreaks(broken, "\r\n"));
}

WinUserInterface::WinUserInterface(HWND owner, int colorBits, std::function<void()> helpAsked)
    : owner_(owner), progress_(std::make_unique<ProgressWindow>(owner, colorBits)), helpAsked_(std::move(helpAsked)) {}

WinUserInterface::~WinUserInterface() = default;

void WinUserInterface::queueChosenFile(std::string path) { queuedFiles_.push_back(std::move(path)); }

std::optional<std::string> WinUserInterface::chooseFile(const FileDialogSettings& settings) {
  if (!queuedFiles_.empty()) {
    std::string path = std::move(queuedFiles_.front());
    queuedFiles_.pop_front();
    return path;
  }
  std::optional<std::string> chosen = ShowOpenFileDialog(settings, owner_, folders_.startFolder(settings.title));
  if (chosen) folders_.chosen(settings.title, *chosen);
  return chosen;
}

void WinUserInterface::showMessage(const std::string& text, MessageIcon icon) {
  MessageBoxW(owner_, MessageBoxText(text).c_str(), applicationTitle().c_str(), MB_OK | iconOf(icon));
}

bool WinUserInterface::askYesNo(const std::string& text) {
  if (!queuedAnswers_.empty()) {
    const bool yes = queuedAnswers_.front();
    queuedAnswers_.pop_front();
    return yes;
  }
  return MessageBoxW(owner_, MessageBoxText(text).c_str(), applicationTitle().c_str(), MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

bool WinUserInterface::askYesNoWithDetails(const std::string& text, const std::function<std::string()>& details) {
  if (!queuedAnswers_.empty()) return askYesNo(text);
  using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  // Task dialogs come with the common controls of version 6 (the manifest asks for them).
  const HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  const auto taskDialog = comctl ? reinterpret_cast<TaskDialogIndirectFn>(
                                       reinterpret_cast<void*>(GetProcAddress(comctl, "TaskDialogIndirect")))
                                 : nullptr;
  if (!taskDialog) return askYesNo(text);
  const std::wstring content = MessageBoxText(text);
  QuestionDetails context{&details};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner_;
  config.dwFlags = TDF_USE_HICON_MAIN | TDF_SIZE_TO_CONTENT;
  config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
  config.pszWindowTitle = applicationTitle().c_str();
  config.hMainIcon = LoadIconW(nullptr, IDI_QUESTION);
  config.pszContent = content.c_str();
  // A placeholder until the details are first opened: with no text the dialog would not offer them.
  config.pszExpandedInformation = L" ";
  config.pszCollapsedControlText = L"Show Details...";
  config.pszExpandedControlText = L"Hide Details";
  config.pfCallback = questionCallback;
  config.lpCallbackData = reinterpret_cast<LONG_PTR>(&context);
  int button = 0;
  if (FAILED(taskDialog(&config, &button, nullptr, nullptr))) return askYesNo(text);
  return button == IDYES;
}

void WinUserInterface::showProgress(const std::string& caption) {
  progress_->start(wide(caption));
  keepPainted(true);
}

void WinUserInterface::showProgressStep(const std::string& caption) {
  // Painted with the bar, at most PaintPacer::Interval apart: painting each driver's caption cost
  // more than the merge's own work. The last caption is always the one on screen.
  const bool paintNow = !progress_->visible();
  progress_->start(wide(caption), paintNow);
  keepPainted(paintNow);
}

void WinUserInterface::updateProgress(long done, long total) {
  progress_->setProgress(done, total);
  keepPainted(false);
}

void WinUserInterface::hideProgress() {
  if (!progress_->visible()) return;
  progress_->finish();
  keepPainted(true);
}

void WinUserInterface::setBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  // Shown at once; the main window keeps it up over its controls while busy (WM_SETCURSOR).
  SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void WinUserInterface::keepPainted(bool now) {
  if (!pacer_.due(now)) return;
  if (progress_->visible()) progress_->paint();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // for the message loop, once the work is done
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (!isInput(msg.message)) {
      DispatchMessageW(&msg);
      continue;
    }
    // The person's input is dropped while the work runs; F1 released plain asks for help.
    if (msg.wParam == VK_F1 && (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP) &&
        f1_.releasedPlain(msg.message == WM_KEYDOWN, msg.message == WM_KEYDOWN && (msg.lParam & (1 << 30)),
                          ModifierHeld()) &&
        helpAsked_)
      helpAsked_();
  }
}

}  // namespace qbm::win32
