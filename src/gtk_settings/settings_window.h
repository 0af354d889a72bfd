// The window of ambervale-settings: the saver's settings with a live preview, Save and Try, and
// on Wayland the screensaver switch. Each control's signal goes to a small handler that hands
// the value to the models (SettingsModel, ScreensaverSwitch) and shows what they say: the labels
// beside the controls, the preview, the switch's report.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "gtk_settings/live_preview.h"
#include "gtk_settings/saver_launch.h"
#include "gtk_settings/screensaver_switch.h"
#include "gtk_settings/session_watcher.h"
#include "gtk_settings/settings_model.h"
#include "linux/callback_edge.h"

namespace ambervale {

class SettingsWindow {
 public:
  // `config_path`: the settings file (may be empty: no home to keep it in); `own_folder`: where
  // this program lies, to find the savers beside it.
  SettingsWindow(GtkApplication* application, std::string config_path, std::string own_folder);
  ~SettingsWindow();
  SettingsWindow(const SettingsWindow&) = delete;
  SettingsWindow& operator=(const SettingsWindow&) = delete;

  GtkWidget* Widget() const { return window_; }
  // A handler failed: the window shows what, and nothing more is saved.
  bool Failed() const { return failed_; }

 private:
  // A slider and the setting it edits, handed to its signal.
  struct Slider {
    SettingsWindow* window = nullptr;
    SettingId id = SettingId::kSize;
    GtkWidget* scale = nullptr;
    GtkWidget* note = nullptr;  // what the value means (the layout's name, the tick, ...)
  };

  GtkWidget* BuildControls();
  GtkWidget* BuildLayoutChoice();
  std::vector<uint32_t> DesktopUnderPreview(int width, int height);
  GtkWidget* BuildPreview();
  GtkWidget* BuildButtons();
  GtkWidget* BuildScreensaverRow();
  void ShowSwitch();
  void AddSlider(GtkGrid* grid, int row, SettingId id, char mnemonic);
  GtkWidget* AddCheck(GtkGrid* grid, int row, const std::string& caption, bool on, GCallback handler);
  void ShowValues();
  void UpdateNote(const Slider& slider);
  void ValuesChanged();
  void SchedulePreviewTick();
  void SetStatus(const std::string& text, bool problem);
  void Save();
  void Try();
  void TryEnded(GPid pid, int status);
  // Every handler GTK and GLib call runs its body through here (see linux/callback_edge.h).
  template <typename Body>
  void AtEdge(CallbackEdge edge, Body&& body) noexcept;
  void ShowFailure(const std::string& what) noexcept;

  static void OnSliderMoved(GtkRange* range, Slider* slider);
  static void OnLayoutChosen(GtkComboBox* box, SettingsWindow* self);
  static void OnRandomToggled(GtkToggleButton* button, SettingsWindow* self);
  static void OnDesktopPictureToggled(GtkToggleButton* button, SettingsWindow* self);
  static void OnSwitchTurned(GtkSwitch* button, GParamSpec*, SettingsWindow* self);
  static void OnMinutesChanged(GtkSpinButton* button, SettingsWindow* self);
  static void OnLockOnEndToggled(GtkToggleButton* button, SettingsWindow* self);
  static gboolean OnPreviewDraw(GtkWidget* area, cairo_t* cairo, SettingsWindow* self);
  static gboolean OnPreviewTimer(SettingsWindow* self);
  static void OnSaveClicked(GtkButton*, SettingsWindow* self);
  static void OnTryClicked(GtkButton*, SettingsWindow* self);
  static void OnCloseClicked(GtkButton*, SettingsWindow* self);
  static void OnTryExited(GPid pid, int status, SettingsWindow* self);
  static gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, SettingsWindow* self);

  std::string config_path_;
  std::string own_folder_;
  Session session_;
  SettingsModel model_;
  std::unique_ptr<SessionWatcher> watcher_side_;
  std::unique_ptr<ScreensaverSwitch> screensaver_;

  GtkWidget* window_ = nullptr;
  GtkWidget* problems_ = nullptr;  // the file's lines that could not be read
  GtkWidget* controls_ = nullptr;
  std::array<Slider, 3> sliders_{};
  GtkWidget* layout_ = nullptr;  // the thirteen layouts by name
  GtkWidget* random_ = nullptr;
  GtkWidget* desktop_picture_ = nullptr;
  GtkWidget* screensaver_row_ = nullptr;  // Wayland only: "Use Ambervale as my screensaver"
  GtkWidget* screensaver_switch_ = nullptr;
  GtkWidget* lock_on_end_ = nullptr;  // Wayland only: "Lock the session when the saver ends"
  GtkWidget* idle_minutes_ = nullptr;
  GtkWidget* switch_report_ = nullptr;  // what the switch did
  GtkWidget* preview_area_ = nullptr;
  GtkWidget* status_ = nullptr;
  GtkWidget* save_ = nullptr;
  GtkWidget* try_ = nullptr;

  std::unique_ptr<LivePreview> preview_;
  guint preview_timer_ = 0;
  GPid try_pid_ = 0;
  guint try_watch_ = 0;
  bool failed_ = false;
};

}  // namespace ambervale
