#include "win32/settings_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ambervale {
namespace {

// Takes each change into its settings and logs it as "Label=value".
class FakeSaver : public LiveSaver {
 public:
  explicit FakeSaver(std::vector<std::string>& log) : log_(log) {}
  Settings CurrentSettings() const override { return settings; }
  void ChangeSetting(SettingId id, int32_t value) override {
    SetValue(settings, id, value);
    log_.push_back(std::string(SpecOf(id).label) + "=" + std::to_string(value));
  }
  void HoldBehindDialog() override { held = true; }
  void CloseSaver() override {
    log_.push_back("Close");
    if (on_close) on_close();
  }

  Settings settings;
  bool held = false;
  std::function<void()> on_close;

 private:
  std::vector<std::string>& log_;
};

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[128] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Each case opens one dialog in front of a fake saver, with the defaults as a first run leaves
// them on a 1024 x 768 screen (the first cycle having picked algorithm 6).
class SettingsDialogWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings& settings = saver.settings;
    settings.size = 12;
    settings.algorithm = 6;
    settings.opacity = 8;
    settings.fast = 33;
    settings.exit_on_input = true;
    settings.random_algorithm = true;
    SettingsDialogDeps deps;
    deps.create_saver = [this]() -> LiveSaver& {
      log.push_back("saver created, held=" + std::to_string(saver.held));
      return saver;
    };
    deps.save = [this] { log.push_back("Save Size=" + std::to_string(saver.settings.size)); };
    dialog = SettingsDialog::Create(std::move(deps));
    ASSERT_NE(dialog->Handle(), nullptr);
  }

  HWND Control(int id) const { return dialog->Control(id); }
  LRESULT Send(int id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    return SendMessageA(Control(id), message, wparam, lparam);
  }

  std::vector<std::string> log;
  FakeSaver saver{log};
  std::unique_ptr<SettingsDialog> dialog;
};

TEST_F(SettingsDialogWinTest, WindowAndControlsMatchTheirDesign) {
  HWND window = dialog->Handle();
  EXPECT_EQ(TextOf(window), "Ambervale Screensaver Settings");
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 396);  // 380 x 185 inside an 8-pixel frame
  EXPECT_EQ(client.bottom, 201);

  struct Expected {
    int id;
    const char* window_class;
    const char* caption;
    RECT place;  // inside the frame
    int min, max;
  };
  const Expected expected[] = {
      {kSizeLabelId, "Static", "Size", {8, 0, 40, 20}, 0, 0},
      {kSizeSliderId, TRACKBAR_CLASSA, "", {0, 25, 180, 37}, 0, 20},
      {kAlgorithmLabelId, "Static", "Algorithm", {208, 0, 274, 20}, 0, 0},
      {kAlgorithmSliderId, TRACKBAR_CLASSA, "", {200, 25, 380, 37}, 0, 12},
      {kRandomAlgorithmBoxId, "Button", "Random", {300, 0, 373, 17}, 0, 0},
      {kPaceLabelId, "Static", "Fast", {8, 70, 38, 90}, 0, 0},
      {kPaceSliderId, TRACKBAR_CLASSA, "", {0, 95, 180, 107}, 0, 50},
      {kTransparencyLabelId, "Static", "Transparent", {208, 70, 288, 90}, 0, 0},
      {kTransparencySliderId, TRACKBAR_CLASSA, "", {200, 95, 380, 107}, 1, 10},
      {kExitOnInputBoxId, "Button", "Exit - Mouse / Key Esc", {8, 124, 169, 139}, 0, 0},
      {kSaveButtonId, "Button", "Save Settings", {8, 160, 112, 185}, 0, 0},
      {kCloseButtonId, "Button", "Close", {300, 160, 374, 185}, 0, 0},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE("control " + std::to_string(e.id));
    HWND control = Control(e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), e.window_class);
    EXPECT_EQ(TextOf(control), e.caption);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, e.place.left + 8);
    EXPECT_EQ(place.top, e.place.top + 8);
    EXPECT_EQ(place.right, e.place.right + 8);
    EXPECT_EQ(place.bottom, e.place.bottom + 8);

    const LONG control_style = GetWindowLongA(control, GWL_STYLE);
    if (e.window_class == std::string(TRACKBAR_CLASSA)) {  // shows no text, keeps no font
      EXPECT_EQ(Send(e.id, TBM_GETRANGEMIN), e.min);
      EXPECT_EQ(Send(e.id, TBM_GETRANGEMAX), e.max);
      EXPECT_EQ(Send(e.id, TBM_GETLINESIZE), 1);
      EXPECT_TRUE(control_style & TBS_AUTOTICKS);
      EXPECT_EQ(control_style & (TBS_VERT | TBS_TOP | TBS_BOTH), 0) << "horizontal, ticks below";
    } else {
      LOGFONTA font{};
      ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(Send(e.id, WM_GETFONT)), sizeof font, &font), 0);
      EXPECT_EQ(font.lfHeight, -13);
      EXPECT_EQ(font.lfWeight, FW_BOLD);
      EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
      EXPECT_STREQ(font.lfFaceName, "Arial");
    }
    if (e.id == kExitOnInputBoxId || e.id == kRandomAlgorithmBoxId) {
      EXPECT_EQ((control_style & BS_LEFTTEXT) != 0, e.id == kRandomAlgorithmBoxId);
    }
  }

  // The tab order runs through the eight focusable controls; the labels take no focus.
  const int order[] = {kAlgorithmSliderId, kSizeSliderId,  kTransparencySliderId, kPaceSliderId,
                       kSaveButtonId,      kCloseButtonId, kExitOnInputBoxId,     kRandomAlgorithmBoxId};
  HWND current = Control(order[0]);
  for (size_t i = 1; i <= std::size(order); ++i) {
    current = GetNextDlgTabItem(window, current, FALSE);
    EXPECT_EQ(GetDlgCtrlID(current), order[i % std::size(order)]) << "after step " << i;
  }
}

TEST_F(SettingsDialogWinTest, ControlsAndKeysReachTheHandlers) {
  // The saver came first, before the dialog held it; each control handed its setting over.
  EXPECT_EQ(log, (std::vector<std::string>{"saver created, held=0", "Algorithm=6", "Size=12", "Transparent=8",
                                           "Fast=33", "Exit - Mouse / Key Esc=1", "Random algorithm=1"}));
  EXPECT_TRUE(saver.held);
  log.clear();

  // What a slider sends while dragged, and at the end of the drag (which changes nothing).
  HWND size_bar = Control(kSizeSliderId);
  Send(kSizeSliderId, TBM_SETPOS, TRUE, 13);
  SendMessageA(dialog->Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 13), reinterpret_cast<LPARAM>(size_bar));
  SendMessageA(dialog->Handle(), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(size_bar));
  EXPECT_EQ(log, (std::vector<std::string>{"Size=13"}));

  Send(kExitOnInputBoxId, BM_CLICK);  // toggles the box and notifies
  EXPECT_FALSE(saver.settings.exit_on_input);
  Send(kSaveButtonId, BM_CLICK);
  EXPECT_EQ(log.back(), "Save Size=13");

  // Tab and other keys pressed in a control reach the dialog first.
  SetFocus(Control(kPaceSliderId));
  Send(kPaceSliderId, WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(GetFocus(), Control(kSaveButtonId));
  Send(kSaveButtonId, WM_KEYDOWN, 'A');
  EXPECT_TRUE(IsWindowVisible(dialog->Handle()));

  log.clear();
  Send(kSaveButtonId, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
  SendMessageA(dialog->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // a second close does nothing
  EXPECT_EQ(log, (std::vector<std::string>{"Close"}));
}

// The saver owns the dialog and takes it along when it goes: should that happen inside the
// dialog's close, the dialog knows its window is gone and touches it no more.
TEST_F(SettingsDialogWinTest, SaverGoingDuringTheCloseLeavesTheDialogWithoutAWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(dialog->Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  saver.on_close = [owner] { DestroyWindow(owner); };
  const HWND window = dialog->Handle();
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(dialog->Handle(), nullptr);
}

}  // namespace
}  // namespace ambervale
