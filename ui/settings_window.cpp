#include "ui/settings_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <algorithm>

#include "trainer/panel_model.h"
#include "ui/panel_layout.h"
#include "trainer/number_text.h"
#include "ui/theme.h"

namespace scmp {

namespace {

using layout::Tw;

// The window's and its groups' colours, from the theme in force.
void PaintBackground(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, colour);
  w->setPalette(pal);
}

QFont Arial(double points, bool bold) {
  // Arial, or a face with the same widths where it is not installed.
  QFont f;
  f.setFamilies({"Arial", "Liberation Sans", "Nimbus Sans", "Helvetica"});
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

// A group of controls, named for screen readers by its caption.
QFrame* Group(QWidget* parent, const QString& name, const QString& spoken, const QRect& where) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setAccessibleName(spoken);
  frame->setGeometry(where);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Sunken);
  frame->setAutoFillBackground(true);
  PaintBackground(frame, Colours().settings_group);
  return frame;
}

QLabel* Text(QWidget* parent, const QString& name, const QString& text, const QRect& where, bool bold) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(Arial(9.75, bold));
  // A caption box lower than the face's line would cut its descenders.
  label->setGeometry(where.adjusted(0, 0, 0, std::max(0, label->fontMetrics().height() - where.height())));
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QRadioButton* Option(QWidget* parent, const QString& name, const QString& text, const QRect& where) {
  auto* option = new QRadioButton(text, parent);
  option->setObjectName(name);
  option->setGeometry(where);
  option->setFont(Arial(9.75, false));
  return option;
}

QLineEdit* Box(QWidget* parent, const QString& name, const QString& spoken, const QRect& where) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setAccessibleName(spoken);
  box->setGeometry(where);
  box->setFont(Arial(9.75, false));
  return box;
}

}  // namespace

SettingsWindow::SettingsWindow(PanelModel& model, QWidget* parent) : QDialog(parent), model_(model) {
  setObjectName("frm_Settings");
  setWindowTitle("Settings");
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFixedSize(Tw(0, 0, 8640, 4800).size());
  setAutoFillBackground(true);
  PaintBackground(this, Colours().settings_window);
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] {
    PaintBackground(this, Colours().settings_window);
    for (QFrame* group : findChildren<QFrame*>(QRegularExpression("^fra_"))) PaintBackground(group, Colours().settings_group);
  });

  QFrame* pause = Group(this, "fra_Pause", "Execution pause", Tw(210, 105, 3585, 3585));
  Text(pause, "lbl_Pause_Caption", "Execution Pause", Tw(105, 105, 3270, 330), true);
  Text(pause, "lbl_Pause_Help",
       "Pauses the run after this number of instructions, so that an endless loop cannot hold the board. "
       "Default = 10,000\n"
       "Applies to run mode only\n"
       "0 \u2264 n \u2264 1,000,000,000 (0 = no pause)",
       Tw(105, 420, 3270, 2430), false);
  pause_ = Box(pause, "txt_MaxOpcode", "Pause count", Tw(105, 3045, 3270, 330));

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("cmd_MaxOpcode");
  ok->setGeometry(Tw(210, 3885, 3585, 750));
  ok->setFont(Arial(12, true));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { Apply(); });

  QFrame* trace = Group(this, "fra_Trace", "Trace to log file", Tw(3990, 105, 4425, 1170));
  Text(trace, "lbl_Trace_Caption", "Trace to log file (TRACE.LOG)", Tw(105, 105, 3585, 330), true);
  trace_off_ = Option(trace, "opt_Trace_0", "Disable Trace", Tw(315, 420, 1590, 330));
  trace_on_ = Option(trace, "opt_Trace_1", "Enable Trace", Tw(315, 735, 1590, 330));
  // The log stops at this size, so that a forgotten run cannot fill the disk.
  Text(trace, "lbl_Trace_Limit", "Limit (MB)", Tw(2205, 420, 1500, 330), false);
  trace_limit_ = Box(trace, "txt_Trace_Limit", "Trace log limit in MB", Tw(2205, 735, 1500, 330));

  QFrame* speed = Group(this, "fra_Speed", "Fast or slow execution mode", Tw(3990, 1365, 4425, 1485));
  Text(speed, "lbl_Speed_Caption", "Fast or Slow execution mode", Tw(105, 105, 3585, 225), true);
  Text(speed, "lbl_Speed_Help", "Realtime disassembly active in slow mode only", Tw(105, 420, 4110, 330), false);
  fast_ = Option(speed, "opt_Speed_0", "Fast", Tw(315, 735, 1590, 330));
  slow_ = Option(speed, "opt_Speed_1", "Slow", Tw(315, 1050, 1485, 330));

  QFrame* delay = Group(this, "fra_Delay", "Delay", Tw(3990, 2940, 4425, 1695));
  Text(delay, "lbl_Delay_Caption", "Delay", Tw(105, 105, 3480, 225), true);
  Text(delay, "lbl_Delay_Help",
       "Slow mode, seconds per instruction:\n0.1 \u2264 t \u2264 10.0 (default = 1.0)",
       Tw(105, 420, 4005, 700), false);
  delay_ = Box(delay, "txt_Delay", "Delay of slow mode", Tw(105, 1155, 4110, 330));

  // Opening: the controls show the run options as they are now.
  const RunOptions& options = model_.Options();
  pause_->setText(QString::fromStdString(DisplayForm(options.pause_count)));
  (options.trace_on ? trace_on_ : trace_off_)->setChecked(true);
  (options.fast_mode ? fast_ : slow_)->setChecked(true);
  delay_->setText(QString::fromStdString(DisplayFormSingle(options.delay_seconds)));
  trace_limit_->setText(QString::fromStdString(DisplayForm(options.trace_limit_mb)));
  in_force_ = Fields();
}

SettingsWindow::FieldTexts SettingsWindow::Fields() const {
  return {pause_->text(), delay_->text(), trace_limit_->text(), fast_->isChecked(), trace_on_->isChecked()};
}

// Escape, Cancel or a close without OK: what was typed is dropped, so that
// the next OK cannot apply it; the fields show the options in force again.
// Tracing that a write error or the limit ended shows as off.
void SettingsWindow::reject() {
  pause_->setText(in_force_.pause);
  delay_->setText(in_force_.delay);
  trace_limit_->setText(in_force_.trace_limit);
  (in_force_.fast ? fast_ : slow_)->setChecked(true);
  (in_force_.trace && model_.Options().trace_on ? trace_on_ : trace_off_)->setChecked(true);
  QDialog::reject();
}

void SettingsWindow::Apply() {
  SettingsInput input;
  input.pause_text = pause_->text().toStdString();
  input.delay_text = delay_->text().toStdString();
  input.fast = fast_->isChecked();
  input.trace = trace_on_->isChecked();
  input.trace_limit_text = trace_limit_->text().toStdString();
  const SettingsResult result = model_.ApplySettings(input);
  pause_->setText(QString::fromStdString(result.pause_text));
  trace_limit_->setText(QString::fromStdString(result.trace_limit_text));
  if (!result.trace_error.empty()) {
    // Tracing stays off; the options say so too.
    trace_off_->setChecked(true);
    const QString path = QString::fromLocal8Bit((model_.DataDir() + "TRACE.LOG").c_str());
    QString text = QString::fromLocal8Bit(result.trace_error.c_str());
    if (!text.contains(path)) text = path + ":\n" + text;
    QMessageBox box(QMessageBox::Warning, "Trace log", text, QMessageBox::Ok, this);
    box.setObjectName("msg_TraceError");
    box.exec();
  }
  in_force_ = Fields();
  accept();
}

void SettingsWindow::hideEvent(QHideEvent* event) {
  if (parentWidget() != nullptr) parentWidget()->activateWindow();
  QDialog::hideEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
  discarded_ = true;
  QDialog::closeEvent(event);
}

}  // namespace scmp
