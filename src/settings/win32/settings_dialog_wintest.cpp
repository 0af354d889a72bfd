#include "settings/win32/settings_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace ambervale {
namespace {

class FakeSaver : public LiveSaver {
 public:
  explicit FakeSaver(std::vector<std::string>& log) : log_(log) {}
  void UpScreen() override { log_.push_back("UpScreen"); }
  void SetTimerInterval(uint32_t milliseconds) override { log_.push_back("Timer " + std::to_string(milliseconds)); }
  void CloseSaver() override { log_.push_back("Close"); }

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

RECT PlaceIn(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class SettingsDialogWinTest : public ::testing::Test {
 protected:
  void Open() {
    SettingsDialogDeps deps;
    deps.state = state.get();
    deps.create_saver = [this]() -> LiveSaver& {
      log.push_back("saver created, ConfigMode=" + std::to_string(state->ConfigMode));
      return saver;
    };
    deps.save = [this] { log.push_back("Save Size=" + std::to_string(state->Size)); };
    form = TForm2::Create(std::move(deps));
    ASSERT_NE(form->Handle(), nullptr);
  }

  void SetDefaults() {
    state->Size = 12;
    state->Algorithm = 6;  // the first cycle's random pick
    state->Transparent = 8;
    state->Fast = 33;
    state->Key_Exit = true;
    state->Rands_Algorithm = true;
    state->SurfaceWidth = 1024;
    state->SurfaceHeight = 768;
  }

  int Position(int id) { return static_cast<int>(SendMessageA(form->Control(id), TBM_GETPOS, 0, 0)); }
  bool Checked(int id) { return SendMessageA(form->Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  // What a slider sends its parent while the user drags it.
  void Drag(int id, int position) {
    HWND bar = form->Control(id);
    SendMessageA(bar, TBM_SETPOS, TRUE, position);
    SendMessageA(form->Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar));
  }

  std::unique_ptr<SaverState> state = std::make_unique<SaverState>();
  std::vector<std::string> log;
  FakeSaver saver{log};
  std::unique_ptr<TForm2> form;
};

TEST_F(SettingsDialogWinTest, WindowMatchesItsDesign) {
  SetDefaults();
  Open();
  HWND window = form->Handle();
  EXPECT_EQ(TextOf(window), "Ambervale Screensaver Settings");
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(IsWindowVisible(window));

  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 396);
  EXPECT_EQ(client.bottom, 201);

  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  EXPECT_EQ(outer.left, GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2);
  EXPECT_EQ(outer.top, GetSystemMetrics(SM_CYSCREEN) - height - 50);
}

TEST_F(SettingsDialogWinTest, ControlsSitWhereDesignedWithTheirFontAndRanges) {
  Open();
  struct Expected {
    int id;
    const char* window_class;
    const char* caption;
    RECT place;  // inside the 8-pixel frame
    int min, max;
  };
  const Expected expected[] = {
      {kStaticText2Id, "Static", "Size", {8, 0, 40, 20}, 0, 0},
      {kTrackBar2Id, TRACKBAR_CLASSA, "", {0, 25, 180, 37}, 0, 20},
      {kStaticText1Id, "Static", "Algorithm", {208, 0, 274, 20}, 0, 0},
      {kTrackBar1Id, TRACKBAR_CLASSA, "", {200, 25, 380, 37}, 0, 12},
      {kCheckBox2Id, "Button", "Random", {300, 0, 373, 17}, 0, 0},
      {kStaticText4Id, "Static", "Fast", {8, 70, 38, 90}, 0, 0},
      {kTrackBar4Id, TRACKBAR_CLASSA, "", {0, 95, 180, 107}, 0, 50},
      {kStaticText3Id, "Static", "Transparent", {208, 70, 288, 90}, 0, 0},
      {kTrackBar3Id, TRACKBAR_CLASSA, "", {200, 95, 380, 107}, 1, 10},
      {kCheckBox1Id, "Button", "Exit - Mouse / Key Esc", {8, 124, 169, 139}, 0, 0},
      {kButton1Id, "Button", "Save Settings", {8, 160, 112, 185}, 0, 0},
      {kButton2Id, "Button", "Close", {300, 160, 374, 185}, 0, 0},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.caption[0] ? e.caption : "slider " + std::to_string(e.id));
    HWND control = form->Control(e.id);
    ASSERT_NE(control, nullptr);
    EXPECT_STRCASEEQ(ClassOf(control).c_str(), e.window_class);
    EXPECT_EQ(TextOf(control), e.caption);
    const RECT place = PlaceIn(control, form->Handle());
    EXPECT_EQ(place.left, e.place.left + 8);
    EXPECT_EQ(place.top, e.place.top + 8);
    EXPECT_EQ(place.right, e.place.right + 8);
    EXPECT_EQ(place.bottom, e.place.bottom + 8);

    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const bool slider = e.window_class == std::string(TRACKBAR_CLASSA);
    if (!slider) {  // a track bar shows no text and keeps no font
      LOGFONTA font{};
      ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font), 0);
      EXPECT_EQ(font.lfHeight, -13);
      EXPECT_EQ(font.lfWeight, FW_BOLD);
      EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
      EXPECT_STREQ(font.lfFaceName, "Arial");
    } else {
      EXPECT_EQ(SendMessageA(control, TBM_GETRANGEMIN, 0, 0), e.min);
      EXPECT_EQ(SendMessageA(control, TBM_GETRANGEMAX, 0, 0), e.max);
      EXPECT_EQ(SendMessageA(control, TBM_GETLINESIZE, 0, 0), 1);
      EXPECT_TRUE(style & TBS_AUTOTICKS);
      EXPECT_EQ(style & (TBS_VERT | TBS_TOP | TBS_BOTH), 0) << "horizontal, ticks below";
    }
    if (e.id == kCheckBox1Id || e.id == kCheckBox2Id) {
      EXPECT_EQ((style & BS_LEFTTEXT) != 0, e.id == kCheckBox2Id);
    }
  }
}

TEST_F(SettingsDialogWinTest, TabOrderRunsThroughTheFocusableControlsOnly) {
  Open();
  const int order[] = {kTrackBar1Id, kTrackBar2Id, kTrackBar3Id, kTrackBar4Id,
                       kButton1Id,   kButton2Id,   kCheckBox1Id, kCheckBox2Id};
  HWND current = form->Control(order[0]);
  for (size_t i = 1; i <= std::size(order); ++i) {
    current = GetNextDlgTabItem(form->Handle(), current, FALSE);
    EXPECT_EQ(GetDlgCtrlID(current), order[i % std::size(order)]) << "after step " << i;
  }
  // Tab pressed in a control moves the focus, as the dialog sees the key first.
  SetFocus(form->Control(kTrackBar4Id));
  SendMessageA(form->Control(kTrackBar4Id), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), form->Control(kButton1Id));
}

TEST_F(SettingsDialogWinTest, OpeningCreatesTheSaverFirstAndShowsTheSettings) {
  SetDefaults();
  Open();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "saver created, ConfigMode=0");
  EXPECT_EQ(Position(kTrackBar1Id), 6);
  EXPECT_EQ(Position(kTrackBar2Id), 12);
  EXPECT_EQ(Position(kTrackBar3Id), 8);
  EXPECT_EQ(Position(kTrackBar4Id), 33);
  EXPECT_TRUE(Checked(kCheckBox1Id));
  EXPECT_TRUE(Checked(kCheckBox2Id));
  EXPECT_TRUE(state->ConfigMode);
  EXPECT_EQ(log, (std::vector<std::string>{"saver created, ConfigMode=0", "Timer 36"}));
}

TEST_F(SettingsDialogWinTest, ControlNotificationsReachTheHandlers) {
  SetDefaults();
  Open();
  log.clear();

  Drag(kTrackBar2Id, 13);
  EXPECT_EQ(state->Size, 13);
  EXPECT_EQ(state->GridCols, 17);
  EXPECT_EQ(state->CellWidth, 60);
  // The end of the drag changes nothing.
  SendMessageA(form->Handle(), WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(form->Control(kTrackBar2Id)));
  Drag(kTrackBar4Id, 50);
  EXPECT_EQ(log, (std::vector<std::string>{"UpScreen", "Timer 2"}));

  // A real click toggles the box and notifies.
  SendMessageA(form->Control(kCheckBox1Id), BM_CLICK, 0, 0);
  EXPECT_FALSE(state->Key_Exit);
  SendMessageA(form->Control(kCheckBox2Id), BM_CLICK, 0, 0);
  EXPECT_FALSE(state->Rands_Algorithm);

  SendMessageA(form->Control(kButton1Id), BM_CLICK, 0, 0);
  EXPECT_EQ(log.back(), "Save Size=13");
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(SettingsDialogWinTest, EscInAControlClosesTheDialogAndTheSaver) {
  SetDefaults();
  Open();
  log.clear();
  SendMessageA(form->Control(kTrackBar1Id), WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(log.empty());
  SendMessageA(form->Control(kButton1Id), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(state->CloseAllowed);
  EXPECT_EQ(log, (std::vector<std::string>{"UpScreen", "Close"}));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(SettingsDialogWinTest, CloseBoxAndCloseButtonEachCloseOnce) {
  SetDefaults();
  Open();
  log.clear();
  SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"UpScreen", "Close"}));
  EXPECT_FALSE(IsWindowVisible(form->Handle()));

  form.reset();
  log.clear();
  state->CloseAllowed = false;
  Open();
  log.clear();
  SendMessageA(form->Control(kButton2Id), BM_CLICK, 0, 0);
  SendMessageA(form->Handle(), WM_CLOSE, 0, 0);  // the dialog closing as the program ends
  EXPECT_TRUE(state->CloseAllowed);
  EXPECT_EQ(log, (std::vector<std::string>{"UpScreen", "Close"}));
}

}  // namespace
}  // namespace ambervale
