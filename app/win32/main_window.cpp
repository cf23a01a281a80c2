#include "app/win32/main_window.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstring>
#include <stdexcept>

#include "app/view/background_tile.h"
#include "app/view/session_command.h"
#include "app/win32/keyboard_state.h"
#include "app/win32/window_class.h"
#include "app/win32/win_dpi.h"
#include "app/win32/win_text.h"

namespace qbm::win32 {
namespace {

using controls::Control;
using controls::ControlId;

constexpr wchar_t MainWindowClass[] = L"QbmMain";
constexpr wchar_t FrameClass[] = L"QbmFrame";
// A fixed single border with a close box; no minimise or maximise button.
constexpr DWORD MainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD MainExStyle = 0;
constexpr UINT ListClickMessage = WM_APP + 1;  // wParam: 1 for FromList, 0 for ToList
constexpr int FirstControlId = 1000;
constexpr int ProgramIcon = 1;  // the icon's resource number (qbmerge.rc)

bool isOption(ControlId id) {
  return id == ControlId::FromOpt0 || id == ControlId::FromOpt1 || id == ControlId::UnitsOpt0 ||
         id == ControlId::UnitsOpt1;
}

int displayColorBits() {
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  return bits > 0 ? bits : 24;
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options) : options_(std::move(options)) {
  if (options_.programFolder.empty()) options_.programFolder = ProgramFolder();
  if (!options_.help) options_.help = HtmlHelpLauncher(options_.programFolder);
  colorBits_ = options_.colorBits > 0 ? options_.colorBits : displayColorBits();
  RegisterWindowClass(MainWindowClass, windowProc, IDC_ARROW,
                      LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ProgramIcon)));
  RegisterWindowClass(FrameClass, frameProc);
  hwnd_ = CreateWindowExW(MainExStyle, MainWindowClass, wide(controls::ApplicationTitle).c_str(), MainStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, 100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("the main window could not be created");
  greyBrush_ = CreateSolidBrush(ColourOf(controls::LightGrey));
  whiteBrush_ = CreateSolidBrush(ColourOf(controls::White));
  makeTile();

  ui_ = std::make_unique<WinUserInterface>(hwnd_, colorBits_, [this] { showContextHelp(GetFocus()); });
  session_ = std::make_unique<Session>(*ui_);
  createControls();
  addTooltips();
  layOut(DpiOf(hwnd_));
  session_->setChangeListener([this] {
    showState();
    // What changed is painted at once (the command may keep the thread busy for a while).
    if (IsWindowVisible(hwnd_)) RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  });
  showState();
  // The focused control shows its focus mark from the start, not only after a key was pressed.
  SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

MainWindow::~MainWindow() {
  session_.reset();  // closes both databases before the user interface goes
  response_.reset();
  fromList_.reset();
  toList_.reset();
  ui_.reset();
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(regularFont_), static_cast<HGDIOBJ>(boldFont_),
                         static_cast<HGDIOBJ>(versionFont_), static_cast<HGDIOBJ>(tile_),
                         static_cast<HGDIOBJ>(tileBrush_), static_cast<HGDIOBJ>(greyBrush_),
                         static_cast<HGDIOBJ>(whiteBrush_)})
    if (object) DeleteObject(object);
}

void MainWindow::makeTile() {
  const TileImage& tile = BackgroundTileImage();
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = tile.size;
  info.header.biHeight = -tile.size;  // top-down rows
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = 256;
  for (std::size_t i = 0; i < 256; ++i)
    info.colours[i] = {tile.palette[i].blue, tile.palette[i].green, tile.palette[i].red, 0};
  void* bits = nullptr;
  tile_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!tile_ || !bits) return;
  const int stride = (tile.size + 3) & ~3;
  for (int y = 0; y < tile.size; ++y)
    std::memcpy(static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(y * stride),
                tile.pixels.data() + static_cast<std::size_t>(y * tile.size), static_cast<std::size_t>(tile.size));
  GdiFlush();
  tileBrush_ = CreatePatternBrush(tile_);
}

void MainWindow::createControls() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto idOf = [](ControlId id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstControlId + static_cast<int>(id)));
  };
  // The frame first: the units options are its children.
  HWND frame = CreateWindowExW(WS_EX_CONTROLPARENT, FrameClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 1, 1, hwnd_,
                               idOf(ControlId::UnitsFrame), instance, nullptr);
  controls_[static_cast<std::size_t>(ControlId::UnitsFrame)] = frame;
  for (const Control* c : controls::All) {
    if (c->id == ControlId::UnitsFrame) continue;
    const bool inFrame = c->id == ControlId::UnitsOpt0 || c->id == ControlId::UnitsOpt1;
    const std::wstring caption = wide(c->caption);
    const wchar_t* windowClass = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, exStyle = 0;
    switch (c->kind) {
      case controls::Button: windowClass = L"BUTTON"; style |= BS_PUSHBUTTON; break;
      case controls::Option: windowClass = L"BUTTON"; style |= BS_RADIOBUTTON; break;
      case controls::List:
        windowClass = L"LISTBOX";
        style |= DriverListBoxStyle(c->id == ControlId::FromList ? DriverList::Selection::Extended
                                                                 : DriverList::Selection::Single);
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case controls::RichText:
        windowClass = RichEditClass();
        style |= ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case controls::Label: style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY; break;
      case controls::Picture: style |= SS_BITMAP; break;
      case controls::Frame: break;
    }
    HWND w = CreateWindowExW(exStyle, windowClass, caption.c_str(), style, 0, 0, 1, 1, inFrame ? frame : hwnd_,
                             idOf(c->id), instance, nullptr);
    controls_[static_cast<std::size_t>(c->id)] = w;
    if (c->kind == controls::RichText) {
      SendMessageW(w, EM_SETBKGNDCOLOR, 0, ColourOf(c->background));
      SendMessageW(w, EM_SETEVENTMASK, 0, 0);
    }
  }
  statusLine_ = CreateWindowExW(WS_EX_STATICEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0,
                                1, 1, hwnd_, nullptr, instance, nullptr);
  SendMessageW(control(ControlId::BackgrndD), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(tile_));
  fromList_ = std::make_unique<DriverListBox>(
      control(ControlId::FromList), DriverList::Selection::Extended, ColourOf(controls::FromList.background),
      [this] { listChanged(true); }, [this] { showResponse(); });
  toList_ = std::make_unique<DriverListBox>(
      control(ControlId::ToList), DriverList::Selection::Single, ColourOf(controls::ToList.background),
      [this] { listChanged(false); }, [this] { showResponse(); });
  fromRText_ = ReportBoxView(control(ControlId::FromRText));
  toRText_ = ReportBoxView(control(ControlId::ToRText));
}

void MainWindow::addTooltips() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                             0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
  for (const Control* c : controls::All) {
    if (c->kind == controls::Frame || c->kind == controls::Picture) continue;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(control(c->id));
    std::wstring text = wide(c->tooltip);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tooltips_[static_cast<std::size_t>(c->id)] = std::string(c->tooltip);
  }
}

void MainWindow::setTooltip(ControlId id, const std::string& text) {
  std::string& shown = tooltips_[static_cast<std::size_t>(id)];
  if (shown == text) return;
  shown = text;
  std::wstring tip = wide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control(id));
  tool.lpszText = tip.data();
  SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring MainWindow::tooltipOf(ControlId id) const {
  std::wstring text(1024, L'\0');
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control(id));
  tool.lpszText = text.data();
  SendMessageW(tooltip_, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
  text.resize(std::wcslen(text.c_str()));
  return text;
}

void MainWindow::layOut(UINT dpi) {
  dpi_ = dpi;
  const TwipScale scale = ScaleOf(dpi);
  const PixelSize client = scale.size(controls::ClientWidthTwips, status::ClientHeightTwips);
  const SIZE outer = WindowSizeFor({client.width, client.height}, MainStyle, MainExStyle, dpi);
  SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame as drawn may differ from the one worked out (its metrics follow the system's DPI
  // until Windows changes them): the client area is what must come out exact.
  RECT got;
  GetClientRect(hwnd_, &got);
  if (got.right != client.width || got.bottom != client.height)
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx + client.width - got.right, outer.cy + client.height - got.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  captionFonts_.clear();
  for (HFONT font : {regularFont_, boldFont_, versionFont_})
    if (font) DeleteObject(font);
  regularFont_ = CreatePointFont(controls::WindowFontName, controls::WindowFontPoints, false, dpi);
  boldFont_ = CreatePointFont(controls::WindowFontName, controls::WindowFontPoints, true, dpi);
  versionFont_ = CreatePointFont(controls::VersionFontName, controls::WindowFontPoints, false, dpi);
  for (const Control* c : controls::All) {
    HWND w = control(c->id);
    const PixelRect r = scale.rect(c->place);  // the units options relative to their frame
    MoveWindow(w, r.left, r.top, r.width, r.height, FALSE);
  }
  for (const Control* c : controls::All) showCaption(c->id, WindowText(control(c->id)));
  const PixelRect line = scale.rect(status::Place);
  MoveWindow(statusLine_, line.left, line.top, line.width, line.height, FALSE);
  SendMessageW(statusLine_, WM_SETFONT, reinterpret_cast<WPARAM>(regularFont_), FALSE);
  for (DriverListBox* list : {fromList_.get(), toList_.get()}) list->fitEntryHeight();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::showCaption(ControlId id, const std::wstring& caption) {
  const Control& c = controls::ControlOf(id);
  HWND w = control(id);
  HFONT normal = id == ControlId::VerLabel ? versionFont_ : c.bold ? boldFont_ : regularFont_;
  HFONT font = normal;
  if (c.kind == controls::Button || c.kind == controls::Option || c.kind == controls::Label)
    font = captionFonts_.fit(w, normal, caption, CaptionRoom(w, c.kind == controls::Option, c.kind == controls::Button));
  if (reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)) != font)
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  if (WindowText(w) != caption) SetWindowTextW(w, caption.c_str());
}

void MainWindow::show() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  RECT r;
  GetWindowRect(hwnd_, &r);
  const RECT& room = monitor.rcWork;
  SetWindowPos(hwnd_, nullptr, room.left + ((room.right - room.left) - (r.right - r.left)) / 2,
               room.top + ((room.bottom - room.top) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  if (const std::optional<ControlId> first =
          NextInTabOrder(std::nullopt, true, [this](ControlId id) { return canFocus(id); }, {}))
    SetFocus(control(*first));
  UpdateWindow(hwnd_);
}

std::optional<ControlId> MainWindow::controlOf(HWND window) const {
  if (!window) return std::nullopt;
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i] == window) return static_cast<ControlId>(i);
  return std::nullopt;
}

bool MainWindow::canFocus(ControlId id) const {
  HWND w = control(id);
  return IsWindowVisible(w) && IsWindowEnabled(w);
}

void MainWindow::showState() {
  if (!hwnd_) return;
  const MainWindowState& s = session_->state();
  const DatabaseState& db = s.databases;
  showCaption(ControlId::FromName, wide(db.Old.Name.caption));
  setTooltip(ControlId::FromName, db.Old.Name.tooltip);
  showCaption(ControlId::ToName, wide(db.New.Name.caption));
  setTooltip(ControlId::ToName, db.New.Name.tooltip);

  fromList_->showList(s.FromList);
  setTooltip(ControlId::FromList, s.FromList.tooltip);
  toList_->showList(s.ToList);
  setTooltip(ControlId::ToList, s.ToList.tooltip);
  fromRText_.showReport(s.FromRText);
  toRText_.showReport(s.ToRText);
  showCaption(ControlId::FromOmit, wide(s.FromOmitCaption));
  if (const std::wstring said = wide(status_.text()); WindowText(statusLine_) != said)
    SetWindowTextW(statusLine_, said.c_str());

  const std::optional<ControlId> hadFocus = controlOf(GetFocus());
  for (const Control* c : controls::All) {
    HWND w = control(c->id);
    const bool shown = controls::IsShown(c->id, s.visible);
    if (shown != ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) != 0)) ShowWindow(w, shown ? SW_SHOWNA : SW_HIDE);
  }
  const auto check = [this](ControlId id, bool on) {
    SendMessageW(control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  check(ControlId::FromOpt0, s.FromOpt == ShowChangedDriversOption);
  check(ControlId::FromOpt1, s.FromOpt == ShowAllDriversOption);
  check(ControlId::UnitsOpt0, s.UnitsOpt == EnglishUnitsOption);
  check(ControlId::UnitsOpt1, s.UnitsOpt == MetricUnitsOption);

  // A control hidden while it had the focus passes it on, as Tab would.
  if (hadFocus && !IsWindowVisible(control(*hadFocus))) moveFocus(hadFocus, true);
}

template <class Command>
void MainWindow::run(WindowCommand kind, Command command) {
  if (!hwnd_ || running_) return;
  status_.before(kind);
  if (!RunSessionCommand(running_, *ui_, command)) return;
  showState();
  refreshResponse();
  if (closeAsked_) {
    closeAsked_ = false;
    closeNow();
  }
}

void MainWindow::openAtStart(const std::string& newDatabase, const std::string& oldDatabase) {
  if (newDatabase.empty() || !hwnd_) return;
  ui_->queueChosenFile(newDatabase);
  run(WindowCommand::OpenNew, [this] { session_->ToOpen_Click(); });
  if (oldDatabase.empty() || !hwnd_ || !session_->state().databases.New.DbOpen) return;
  ui_->queueChosenFile(oldDatabase);
  run(WindowCommand::OpenOld, [this] { session_->FromOpen_Click(); });
}

void MainWindow::close() {
  if (hwnd_) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::closeNow() {
  if (!hwnd_) return;
  session_->MClose_Click();
  ui_->hideProgress();
  if (response_) ShowWindow(response_->handle(), SW_HIDE);
  CloseHtmlHelp();
  DestroyWindow(hwnd_);
}

void MainWindow::onCommand(ControlId id, WORD code) {
  switch (id) {
    case ControlId::FromOpen: run(WindowCommand::OpenOld, [this] { session_->FromOpen_Click(); }); break;
    case ControlId::ToOpen: run(WindowCommand::OpenNew, [this] { session_->ToOpen_Click(); }); break;
    case ControlId::FromOmit: run(WindowCommand::Omit, [this] { session_->FromOmit_Click(); }); break;
    case ControlId::MMerge:
      run(WindowCommand::Merge, [this] { status_.merged(session_->MMerge_Click()); });
      break;
    case ControlId::MUndo:
      run(WindowCommand::Undo, [this] { status_.undone(session_->MUndo_Click(), LocalDateToday()); });
      break;
    case ControlId::MHelp: showContextHelp(nullptr); break;
    case ControlId::MClose: close(); break;
    case ControlId::FromOpt0:
    case ControlId::FromOpt1:
    case ControlId::UnitsOpt0:
    case ControlId::UnitsOpt1: optionClicked(id); break;
    case ControlId::FromList:
    case ControlId::ToList:
      if (code == LBN_SELCHANGE) listChanged(id == ControlId::FromList);
      if (code == LBN_DBLCLK) showResponse();
      break;
    default: break;
  }
}

void MainWindow::optionClicked(ControlId id) {
  if (running_) return;
  switch (id) {
    // The choice is read by the next "Open Old Database"; it lists nothing by itself.
    case ControlId::FromOpt0: session_->state().FromOpt = ShowChangedDriversOption; break;
    case ControlId::FromOpt1: session_->state().FromOpt = ShowAllDriversOption; break;
    case ControlId::UnitsOpt0:
    case ControlId::UnitsOpt1: {
      const int index = id == ControlId::UnitsOpt0 ? EnglishUnitsOption : MetricUnitsOption;
      if (index != session_->state().UnitsOpt)
        run(WindowCommand::Units, [this, index] { session_->UnitsOpt_Click(index); });
      break;
    }
    default: break;
  }
  showState();
}

void MainWindow::listChanged(bool fromSide) {
  // Told once, after the change has settled, from the message loop.
  bool& pending = clickPending_[fromSide ? 0 : 1];
  if (pending) return;
  pending = true;
  PostMessageW(hwnd_, ListClickMessage, fromSide ? 1 : 0, 0);
}

void MainWindow::listClicked(bool fromSide) {
  clickPending_[fromSide ? 0 : 1] = false;
  if (running_) return;
  if (fromSide) {
    fromList_->copySelectionTo(session_->state().FromList);
    run(WindowCommand::ChooseOld, [this] { session_->FromList_Click(); });
  } else {
    toList_->copySelectionTo(session_->state().ToList);
    run(WindowCommand::ChooseNew, [this] { session_->ToList_Click(); });
  }
}

void MainWindow::showResponse() {
  if (running_ || !hwnd_) return;
  // The selection as the lists show it, though their click may still be on its way.
  fromList_->copySelectionTo(session_->state().FromList);
  toList_->copySelectionTo(session_->state().ToList);
  if (!response_) response_ = std::make_unique<ResponseWindow>(hwnd_);
  response_->showResponses(session_->SelectedResponses());
  RECT keep;
  GetWindowRect(control(ControlId::ToList), &keep);
  response_->show(keep);
}

void MainWindow::refreshResponse() {
  if (response_ && response_->visible()) response_->showResponses(session_->SelectedResponses());
}

void MainWindow::showContextHelp(HWND window) {
  const std::optional<ControlId> id = controlOf(window);
  const int context = id ? controls::ControlOf(*id).helpContext : controls::WindowHelpContext;
  options_.help(hwnd_, HelpTopicOf(context));
}

void MainWindow::moveFocus(bool forward) { moveFocus(controlOf(GetFocus()), forward); }

void MainWindow::moveFocus(std::optional<ControlId> from, bool forward) {
  const MainWindowState& s = session_->state();
  const std::optional<ControlId> next =
      NextInTabOrder(from, forward, [this](ControlId id) { return canFocus(id); },
                     {controls::FromOptPair(s.FromOpt), controls::UnitsOptPair(s.UnitsOpt)});
  if (next) SetFocus(control(*next));
}

void MainWindow::arrowInPair(ControlId at, WPARAM key) {
  const MainWindowState& s = session_->state();
  for (const controls::OptionPair& pair : {controls::FromOptPair(s.FromOpt), controls::UnitsOptPair(s.UnitsOpt)}) {
    if (!pair.holds(at)) continue;
    // The second option stands right of the first.
    const ControlId to = key == VK_RIGHT || key == VK_DOWN ? pair.second : pair.first;
    if (to == at) return;
    SetFocus(control(to));
    optionClicked(to);
    return;
  }
}

bool MainWindow::preTranslate(const MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !hwnd_) return false;
  if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
  const UINT m = message.message;
  const WPARAM key = message.wParam;
  const bool down = m == WM_KEYDOWN || m == WM_SYSKEYDOWN, up = m == WM_KEYUP || m == WM_SYSKEYUP;
  if (m == WM_CHAR || m == WM_SYSCHAR) {
    // Enter and Tab as characters: the keys have been acted on already.
    return IsEnterCharacter(static_cast<char32_t>(key)) || key == L'\t';
  }
  if ((down || up) && (key == VK_RETURN || key == VK_F1)) {
    PreviewKey k;
    k.kind = key == VK_RETURN ? PreviewKey::Kind::Enter : PreviewKey::Kind::F1;
    k.press = down;
    k.autoRepeat = down && (message.lParam & (1 << 30)) != 0;
    k.modifierHeld = ModifierHeld();
    switch (keyboard_.onKey(k)) {
      case KeyAction::NextControl: moveFocus(true); break;
      case KeyAction::Help: showContextHelp(GetFocus()); break;
      case KeyAction::PassOn:
      case KeyAction::Swallow: break;
    }
    return true;
  }
  if (m == WM_KEYDOWN && key == static_cast<WPARAM>(UndoKeyLetter) && KeyHeld(VK_CONTROL) && !KeyHeld(VK_SHIFT) &&
      !KeyHeld(VK_MENU)) {
    run(WindowCommand::Undo, [this] { status_.undone(session_->MUndo_Click(), LocalDateToday()); });  // nothing while "Undo Merge" is hidden
    return true;
  }
  if (m == WM_KEYDOWN && key == VK_TAB && !KeyHeld(VK_CONTROL) && !KeyHeld(VK_MENU)) {
    moveFocus(!KeyHeld(VK_SHIFT));
    return true;
  }
  if (m == WM_KEYDOWN && (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN))
    if (const std::optional<ControlId> at = controlOf(GetFocus()); at && isOption(*at)) {
      arrowInPair(*at, key);
      return true;
    }
  return false;
}

HBRUSH MainWindow::backgroundFor(HWND w, HDC dc) const {
  // The window's background, lined up with the window's own so that the tile runs on seamlessly.
  POINT origin{0, 0};
  MapWindowPoints(w, hwnd_, &origin, 1);
  SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  return TiledBackground(colorBits_) && tileBrush_ ? tileBrush_ : greyBrush_;
}

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = WindowObject<MainWindow>(hwnd, message, lParam);
  if (!self || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->handle(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return SendMessageW(GetParent(hwnd), message, wParam, lParam);  // the units options' messages
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, reinterpret_cast<HBRUSH>(SendMessageW(GetParent(hwnd), WM_CTLCOLORSTATIC, wParam,
                                                             reinterpret_cast<LPARAM>(hwnd))));
      return 1;
    }
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT MainWindow::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam) - FirstControlId;
      if (lParam && id >= 0 && id < controls::ControlCount) onCommand(static_cast<ControlId>(id), HIWORD(wParam));
      return 0;
    }
    case ListClickMessage: listClicked(wParam != 0); return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->hwndItem == fromList_->handle()) fromList_->draw(*item);
      if (item->hwndItem == toList_->handle()) toList_->draw(*item);
      return TRUE;
    }
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT r;
      GetClientRect(hwnd_, &r);
      SetBrushOrgEx(dc, 0, 0, nullptr);
      // On displays of 16 colours or fewer the plain grey stays.
      FillRect(dc, &r, TiledBackground(colorBits_) && tileBrush_ ? tileBrush_ : greyBrush_);
      return 1;
    }
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == statusLine_) {  // plain grey, to be read easily
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, ColourOf(controls::LightGrey));
        SetTextColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(greyBrush_);
      }
      [[fallthrough]];
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(backgroundFor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)));
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const bool white = reinterpret_cast<HWND>(lParam) == control(ControlId::FromList);
      SetBkColor(dc, ColourOf(white ? controls::White : controls::LightGrey));
      SetTextColor(dc, RGB(0, 0, 0));
      return reinterpret_cast<LRESULT>(white ? whiteBrush_ : greyBrush_);
    }
    case WM_SETCURSOR:
      if (ui_ && ui_->busy()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focused = GetFocus();
        focusBeforeDeactivation_ = focused && IsChild(hwnd_, focused) ? focused : nullptr;
      } else if (focusBeforeDeactivation_ && IsWindowVisible(focusBeforeDeactivation_)) {
        SetFocus(focusBeforeDeactivation_);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      layOut(HIWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      if (running_) {
        closeAsked_ = true;
        return 0;
      }
      closeNow();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      if (options_.quitOnClose) PostQuitMessage(0);
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunMessageLoop(MainWindow& window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.preTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace qbm::win32
