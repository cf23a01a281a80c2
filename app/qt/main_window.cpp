#include "app/qt/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>

#include "app/qt/background_tile.h"
#include "app/qt/caption_fit.h"
#include "app/qt/color_bits.h"
#include "app/qt/driver_list_view.h"
#include "app/qt/help_window.h"
#include "app/qt/keyboard_preview.h"
#include "app/view/main_window_controls.h"
#include "app/qt/progress_window.h"
#include "app/qt/report_view.h"
#include "app/qt/response_window.h"
#include "app/qt/qt_geometry.h"
#include "app/view/background_tile.h"
#include "app/view/keyboard_rules.h"
#include "app/view/response_layout.h"
#include "app/view/session_command.h"
#include "app/view/twips.h"
#include "app/qt/window_fonts.h"
#include "common/stop_signals.h"

namespace qbm {
namespace {

const QColor LightGrey = qtColour(controls::LightGrey);

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

TwipScale scaleOf(const QWidget& widget) {
  const QScreen* screen = widget.screen();
  if (!screen) return TwipScale(96, 96);
  return TwipScale(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

// Gives a widget the name, place, caption, tooltip, font and help context of its control.
template <class Widget>
Widget* place(Widget* widget, const controls::Control& control, const TwipScale& scale) {
  widget->setObjectName(text(control.name));
  widget->setGeometry(qtRect(scale.rect(control.place)));
  if (!control.tooltip.empty()) widget->setToolTip(text(control.tooltip));
  if (control.bold) widget->setFont(WindowFont(controls::WindowFontName, controls::WindowFontPoints, true));
  widget->setProperty("helpContext", control.helpContext);
  if constexpr (requires { widget->setText(widget->text()); }) {
    widget->setText(text(control.caption));
    FitCaption(widget, widget->text(), CaptionRoom(widget));
  }
  return widget;
}

// A caption that changes while the program runs, fitted to its control.
template <class Widget>
void showCaption(Widget* widget, const QString& caption) {
  if (widget->text() == caption) return;
  widget->setText(caption);
  FitCaption(widget, caption, CaptionRoom(widget));
}

// The background of a list or report box.
void setBase(QWidget* widget, const controls::Control& control) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, qtColour(control.background));
  widget->setPalette(palette);
}

QLabel* label(QWidget* parent, const controls::Control& control, const TwipScale& scale) {
  auto* l = place(new QLabel(parent), control, scale);
  l->setFocusPolicy(Qt::NoFocus);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return l;
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      colorBits_(options.colorBits > 0 ? options.colorBits : ScreenColorBits(nullptr)),
      helpFolder_(options.helpFolder.isEmpty() ? DefaultHelpFolder() : options.helpFolder),
      tile_(BackgroundTile()) {
  setObjectName("winMain");
  setWindowTitle(text(controls::ApplicationTitle));
  setProperty("helpContext", controls::WindowHelpContext);
  setFont(WindowFont(controls::WindowFontName, controls::WindowFontPoints, false));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, LightGrey);
  palette.setColor(QPalette::Button, LightGrey);
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  setPalette(palette);
  setFixedSize(qtSize(scaleOf(*this).size(controls::ClientWidthTwips, status::ClientHeightTwips)));

  tilePixmap_ = QPixmap::fromImage(tile_);
  ui_ = std::make_unique<QtUserInterface>(this, colorBits_);
  session_ = std::make_unique<Session>(*ui_);
  buildControls();
  setTabOrder();
  keyboard_ = new KeyboardPreview(
      this, [this] { focusNextPrevChild(true); }, [this](QWidget* control) { showContextHelp(control); });
  connect(&ui_->progressWindow(), &ProgressWindow::helpRequested, this,
          [this] { showContextHelp(QApplication::focusWidget()); });
  session_->setChangeListener([this] {
    showState();
    if (isVisible()) repaint();
  });
  showState();
  centreOnScreen();
}

MainWindow::~MainWindow() {
  delete keyboard_;
  keyboard_ = nullptr;
  session_.reset();  // closes both databases before the user interface goes
}

void MainWindow::buildControls() {
  using namespace controls;
  const TwipScale scale = scaleOf(*this);

  fromOptGroup_ = new QButtonGroup(this);
  fromOpt_[0] = place(new QRadioButton(this), FromOpt0, scale);
  fromOpt_[1] = place(new QRadioButton(this), FromOpt1, scale);
  for (int i = 0; i < 2; ++i) fromOptGroup_->addButton(fromOpt_[i], i);
  // The choice is read by the next "Open Old Database"; it lists nothing by itself.
  connect(fromOptGroup_, &QButtonGroup::idClicked, this, [this](int id) { session_->state().FromOpt = id; });

  fromOpen_ = place(new QPushButton(this), FromOpen, scale);
  toOpen_ = place(new QPushButton(this), ToOpen, scale);
  fromOmit_ = place(new QPushButton(this), FromOmit, scale);
  merge_ = place(new QPushButton(this), MMerge, scale);
  helpButton_ = place(new QPushButton(this), MHelp, scale);
  closeButton_ = place(new QPushButton(this), MClose, scale);
  undo_ = place(new QPushButton(this), MUndo, scale);
  for (QPushButton* b : {fromOpen_, toOpen_, fromOmit_, merge_, helpButton_, closeButton_, undo_})
    b->setAutoDefault(false);
  connect(fromOpen_, &QPushButton::clicked, this,
          [this] { run(WindowCommand::OpenOld, [this] { session_->FromOpen_Click(); }); });
  connect(toOpen_, &QPushButton::clicked, this,
          [this] { run(WindowCommand::OpenNew, [this] { session_->ToOpen_Click(); }); });
  connect(fromOmit_, &QPushButton::clicked, this,
          [this] { run(WindowCommand::Omit, [this] { session_->FromOmit_Click(); }); });
  connect(merge_, &QPushButton::clicked, this, &MainWindow::mergeClicked);
  connect(undo_, &QPushButton::clicked, this, [this] {
    run(WindowCommand::Undo, [this] { status_.undone(session_->MUndo_Click(), LocalDateToday()); });
  });
  auto* undoKey = new QShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(UndoKeyLetter)), this);
  undoKey->setContext(Qt::WindowShortcut);
  connect(undoKey, &QShortcut::activated, this, [this] {
    if (!running_) run(WindowCommand::Undo, [this] { status_.undone(session_->MUndo_Click(), LocalDateToday()); });
  });
  connect(helpButton_, &QPushButton::clicked, this, [this] { showContextHelp(nullptr); });
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

  unitsFrame_ = place(new QWidget(this), UnitsFrame, scale);
  unitsGroup_ = new QButtonGroup(this);
  unitsOpt_[0] = place(new QRadioButton(unitsFrame_), UnitsOpt0, scale);
  unitsOpt_[1] = place(new QRadioButton(unitsFrame_), UnitsOpt1, scale);
  for (int i = 0; i < 2; ++i) unitsGroup_->addButton(unitsOpt_[i], i);
  connect(unitsGroup_, &QButtonGroup::idClicked, this, &MainWindow::unitsClicked);

  backgrnd_ = place(new QLabel(this), BackgrndD, scale);
  backgrnd_->setPixmap(tilePixmap_);
  backgrnd_->hide();  // only the source of the background

  fromList_ = place(new DriverListView(DriverList::Selection::Extended, this), FromList, scale);
  setBase(fromList_, FromList);
  connect(fromList_, &DriverListView::personClicked, this, &MainWindow::fromListClicked);
  connect(fromList_, &DriverListView::responseAsked, this, &MainWindow::showResponse);
  fromLabel_[0] = label(this, FromLabel0, scale);
  fromRText_ = place(new ReportView(this), FromRText, scale);
  setBase(fromRText_, FromRText);
  fromLabel_[1] = label(this, FromLabel1, scale);

  toList_ = place(new DriverListView(DriverList::Selection::Single, this), ToList, scale);
  setBase(toList_, ToList);
  connect(toList_, &DriverListView::personClicked, this, &MainWindow::toListClicked);
  connect(toList_, &DriverListView::responseAsked, this, &MainWindow::showResponse);
  toLabel_[0] = label(this, ToLabel0, scale);
  toRText_ = place(new ReportView(this), ToRText, scale);
  setBase(toRText_, ToRText);
  toLabel_[1] = label(this, ToLabel1, scale);

  fromName_ = label(this, FromName, scale);
  toName_ = label(this, ToName, scale);
  verLabel_ = label(this, VerLabel, scale);
  verLabel_->setFont(WindowFont(VersionFontName, WindowFontPoints, false));
  FitCaption(verLabel_, verLabel_->text(), CaptionRoom(verLabel_));

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName("StatusLine");
  statusLine_->setGeometry(qtRect(scale.rect(status::Place)));
  statusLine_->setTextFormat(Qt::PlainText);
  statusLine_->setWordWrap(true);
  statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  statusLine_->setFocusPolicy(Qt::NoFocus);
  statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusLine_->setAutoFillBackground(true);

  QWidget* widgets[] = {fromOpt_[0], fromOpt_[1], fromOpen_,   toOpen_,      fromOmit_,    merge_,
                        helpButton_, closeButton_, unitsOpt_[0], unitsOpt_[1], backgrnd_,    fromList_,
                        fromLabel_[0], fromRText_, fromLabel_[1], toList_,     toLabel_[0],  toRText_,
                        toLabel_[1], fromName_,   toName_,     unitsFrame_,  verLabel_,    undo_};
  static_assert(std::size(widgets) == controls::ControlCount);
  for (std::size_t i = 0; i < std::size(widgets); ++i) widgets_[i] = widgets[i];
}

QWidget* MainWindow::widgetOf(controls::ControlId id) const { return widgets_[static_cast<std::size_t>(id)]; }

std::optional<controls::ControlId> MainWindow::controlOf(const QWidget* widget) const {
  for (std::size_t i = 0; i < widgets_.size(); ++i)
    if (widget && widgets_[i] == widget) return static_cast<controls::ControlId>(i);
  return std::nullopt;
}

void MainWindow::setTabOrder() {
  QWidget* order[] = {fromOpt_[0], fromOpt_[1], fromOpen_,    toOpen_,      fromOmit_, merge_,
                      helpButton_, closeButton_, unitsOpt_[0], unitsOpt_[1], fromList_, fromRText_,
                      toList_,     toRText_,     undo_};  // "Undo Merge" last, as the shared tab rule has it
  for (std::size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindow::centreOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  QRect client = rect();
  client.moveCenter(screen->availableGeometry().center());
  setGeometry(client);
}

void MainWindow::showState() {
  const MainWindowState& s = session_->state();
  const DatabaseState& db = s.databases;
  showCaption(fromName_, text(db.Old.Name.caption));
  fromName_->setToolTip(text(db.Old.Name.tooltip));
  showCaption(toName_, text(db.New.Name.caption));
  toName_->setToolTip(text(db.New.Name.tooltip));

  fromList_->showList(s.FromList);
  toList_->showList(s.ToList);
  fromRText_->showReport(s.FromRText);
  toRText_->showReport(s.ToRText);
  showCaption(fromOmit_, text(s.FromOmitCaption));
  if (statusLine_->text() != text(status_.text())) statusLine_->setText(text(status_.text()));

  for (const controls::Control* control : controls::All)
    widgetOf(control->id)->setVisible(controls::IsShown(control->id, s.visible));

  {
    const QSignalBlocker blocker(fromOptGroup_);
    // An exclusive group cannot uncheck its last button; no choice is a state at start.
    fromOptGroup_->setExclusive(false);
    for (int i = 0; i < 2; ++i) fromOpt_[i]->setChecked(s.FromOpt == i);
    fromOptGroup_->setExclusive(true);
  }
  {
    const QSignalBlocker blocker(unitsGroup_);
    for (int i = 0; i < 2; ++i) unitsOpt_[i]->setChecked(s.UnitsOpt == i);
  }
}

template <class Command>
void MainWindow::run(WindowCommand kind, Command command) {
  if (running_) return;
  status_.before(kind);
  if (!RunSessionCommand(running_, *ui_, command)) return;
  showState();
  refreshResponse();
  if (closeAsked_) {
    closeAsked_ = false;
    close();
  }
}

void MainWindow::openAtStart(const QString& newDatabase, const QString& oldDatabase) {
  if (newDatabase.isEmpty()) return;
  ui_->queueChosenFile(newDatabase);
  run(WindowCommand::OpenNew, [this] { session_->ToOpen_Click(); });
  if (oldDatabase.isEmpty() || !session_->state().databases.New.DbOpen) return;
  ui_->queueChosenFile(oldDatabase);
  run(WindowCommand::OpenOld, [this] { session_->FromOpen_Click(); });
}

void MainWindow::fromListClicked() {
  if (running_) return;
  fromList_->copySelectionTo(session_->state().FromList);
  run(WindowCommand::ChooseOld, [this] { session_->FromList_Click(); });
}

void MainWindow::toListClicked() {
  if (running_) return;
  toList_->copySelectionTo(session_->state().ToList);
  run(WindowCommand::ChooseNew, [this] { session_->ToList_Click(); });
}

void MainWindow::showResponse() {
  if (running_) return;
  // The selection as the lists show it, though their click may still be on its way.
  fromList_->copySelectionTo(session_->state().FromList);
  toList_->copySelectionTo(session_->state().ToList);
  if (!response_) {
    response_ = new ResponseWindow(this);
    placeResponse();
  }
  response_->showResponses(session_->SelectedResponses());
  response_->show();
  response_->raise();
}

void MainWindow::placeResponse() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  // The frame's size as the window system will draw it: the main window's frame around the
  // Response window's client area.
  const QRect mainFrame = frameGeometry();
  const QSize frame = mainFrame.size() - geometry().size();
  const QRect list(toList_->mapToGlobal(QPoint(0, 0)), toList_->size());
  const PixelRect place = response::ResponsePlace(
      pixelRect(mainFrame), pixelRect(list),
      {response_->width() + frame.width(), response_->height() + frame.height()},
      pixelRect(screen->availableGeometry()));
  response_->move(place.left, place.top);
}

void MainWindow::refreshResponse() {
  if (response_ && response_->isVisible()) response_->showResponses(session_->SelectedResponses());
}

void MainWindow::unitsClicked(int index) {
  if (index == session_->state().UnitsOpt) return;
  run(WindowCommand::Units, [this, index] { session_->UnitsOpt_Click(index); });
}

void MainWindow::mergeClicked() {
  {
    // A stop signal now rolls the merge back at its next step instead of ending the program in
    // the middle of its writes; the program then ends.
    DeferStopSignals deferred;
    run(WindowCommand::Merge, [this] { status_.merged(session_->MMerge_Click()); });
  }
  if (const int signal = PendingStopSignal()) {
    stoppedBy_ = signal;
    close();
  }
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || !isActiveWindow() || focusMarkShown_) return;
  // The control that has the focus shows its focus mark from the start, not only after a Tab
  // (the window system's activation leaves the mark off). A click takes it away as usual.
  focusMarkShown_ = true;
  setAttribute(Qt::WA_KeyboardFocusChange);
  if (QWidget* focused = focusWidget()) focused->update();
}

bool MainWindow::focusNextPrevChild(bool next) {
  const std::optional<controls::ControlId> from = controlOf(QApplication::focusWidget());
  if (!QWidget::focusNextPrevChild(next)) return false;
  const std::optional<controls::ControlId> to = controlOf(QApplication::focusWidget());
  if (!to) return true;
  const MainWindowState& s = session_->state();
  for (const controls::OptionPair& pair : {controls::FromOptPair(s.FromOpt), controls::UnitsOptPair(s.UnitsOpt)}) {
    switch (OptionPairStep(pair, from, *to)) {
      case PairStep::Keep: continue;
      case PairStep::PastPair: QWidget::focusNextPrevChild(next); return true;
      case PairStep::ToSelected:
        widgetOf(*pair.selected)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
  }
  return true;
}

void MainWindow::showContextHelp(const QWidget* control) {
  if (!help_) help_ = new HelpWindow(helpFolder_, this);
  help_->showTopic(ContextHelpTopic(control));
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), LightGrey);
  // On displays of 16 colours or fewer the plain grey stays.
  if (TiledBackground(colorBits_)) painter.drawTiledPixmap(rect(), tilePixmap_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {
    closeAsked_ = true;
    event->ignore();
    return;
  }
  session_->MClose_Click();
  ui_->hideProgress();
  if (help_) help_->close();
  event->accept();
}

}  // namespace qbm
