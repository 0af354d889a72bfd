// The settings dialog SettingsDialog: a small stay-on-top window with four sliders, two check boxes and
// two buttons, in front of a live saver that shows every change at once. Its handlers are
// those of SettingsDialogLogic; this layer makes the window and its controls and turns the
// controls' notifications into handler calls.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "engine/saver_state.h"
#include "win32/settings/live_saver.h"
#include "win32/settings/settings_dialog_logic.h"
#include "win32/window.h"

namespace ambervale {

inline constexpr char kSettingsDialogCaption[] = "Ambervale Screensaver Settings";
inline constexpr char kSettingsDialogClass[] = "TForm2";

// Control identifiers, so that a control can be found with GetDlgItem.
enum SettingsDialogControlId : int {
  kAlgorithmSliderId = 1001,
  kSizeSliderId = 1002,
  kTransparencySliderId = 1003,
  kPaceSliderId = 1004,  // Fast
  kSaveButtonId = 1011,  // "Save Settings"
  kCloseButtonId = 1012,
  kExitOnInputBoxId = 1021,      // "Exit - Mouse / Key Esc"
  kRandomAlgorithmBoxId = 1022,  // "Random"
  kAlgorithmLabelId = 1031,
  kSizeLabelId = 1032,
  kTransparencyLabelId = 1033,
  kPaceLabelId = 1034,
};

// The empty border inside the window around the controls; control places are given relative
// to the area inside it.
inline constexpr int kSettingsDialogFrame = 8;
inline constexpr int kSettingsDialogInnerWidth = 380;
inline constexpr int kSettingsDialogInnerHeight = 185;

// What the dialog works with: the saver behind it (made during the dialog's own creation), and
// the settings store's save.
struct SettingsDialogDeps {
  std::function<LiveSaver&()> create_saver;
  std::function<void()> save;
};

class SettingsDialog : public Window, private DialogControls {
 public:
  // Makes the window and its controls, runs Start (which creates the saver first) and
  // shows the dialog. The window exists even when a handler failed on the way.
  static std::unique_ptr<SettingsDialog> Create(SettingsDialogDeps deps);
  ~SettingsDialog() override;

  HWND Control(int id) const { return GetDlgItem(Handle(), id); }

 private:
  SettingsDialog(SettingsDialogDeps deps);

  void CreateControls();
  void Start();
  void PlaceOnScreen();
  // The dialog moved to a monitor of another DPI (or that monitor's DPI changed): the font and
  // every control are made again for it, and the window takes the size the system suggests.
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void CloseDialog();
  // The saver is a stay-on-top window too: the dialog keeps itself above it.
  void BringAboveSaver();

  // A key reaching any of the dialog's windows; true when the dialog used it up.
  bool PreviewKey(HWND target, WPARAM key);

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR subclass_id,
                                      DWORD_PTR owner);

  // DialogControls over the real controls.
  int32_t SliderPosition(DialogSlider slider) const override;
  void PlaceSlider(DialogSlider slider, int32_t position) override;
  bool IsChecked(DialogCheckBox box) const override;
  void PlaceCheck(DialogCheckBox box, bool checked) override;

  SettingsDialogDeps deps_;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT font_ = nullptr;
  HBRUSH background_ = nullptr;
  std::optional<SettingsDialogLogic> logic_;
  int raises_ = 0;
};

}  // namespace ambervale
