// The settings window, frm_Settings: pause count, trace, speed and delay.
// OK hands the controls to the panel model, which sets the run options and
// writes the main window's status labels.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QRadioButton;

namespace scmp {

class PanelModel;

class SettingsWindow : public QDialog {
  Q_OBJECT

 public:
  // Fills the controls from the model's run options.
  SettingsWindow(PanelModel& model, QWidget* parent);

  // True once the user closed the window from its frame; its owner then
  // discards it and makes a fresh one next time.
  bool Discarded() const { return discarded_; }

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Hands the keyboard back to the panel, also where no window manager
  // would (a kiosk, a test display).
  void hideEvent(QHideEvent* event) override;

 private:
  // What the fields showed after the last OK (or on opening).
  struct FieldTexts {
    QString pause, delay, trace_limit;
    bool fast = true, trace = false;
  };
  FieldTexts Fields() const;
  void Apply();

  PanelModel& model_;
  bool discarded_ = false;
  QLineEdit* pause_ = nullptr;
  QLineEdit* delay_ = nullptr;
  QRadioButton* fast_ = nullptr;
  QRadioButton* slow_ = nullptr;
  QRadioButton* trace_off_ = nullptr;
  QRadioButton* trace_on_ = nullptr;
  QLineEdit* trace_limit_ = nullptr;
  FieldTexts in_force_;
};

}  // namespace scmp
