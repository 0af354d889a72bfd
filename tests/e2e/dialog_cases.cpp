// End-to-end cases of the settings mode: the dialog in front of a live saver, driven the way a
// person does (clicks and key presses through SendInput) and observed from outside.
#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>
#include <vector>

#include "e2e_support.h"

namespace {

using e2e::Context;

constexpr char kDialogClass[] = "TForm2";
constexpr char kSaverClass[] = "TForm1";
constexpr DWORD kOpenTimeout = 30000;
constexpr DWORD kExitTimeout = 20000;
constexpr DWORD kPaintTimeout = 30000;
// A control's answer to a click or a key, or a value read back from the registry.
constexpr DWORD kAnswerTimeout = 15000;

// The dialog's control ids (win32/settings_dialog.h; the driver is built apart from the saver).
enum ControlId : int {
  kAlgorithmSlider = 1001,
  kSizeSlider = 1002,
  kTransparencySlider = 1003,
  kPaceSlider = 1004,  // Fast
  kSaveButton = 1011,
  kCloseButton = 1012,
  kExitOnInputBox = 1021,  // Key_Exit
  kRandomAlgorithmBox = 1022,
};

// Clear of both the saver window's box (from x 459) and the dialog (from x ~311, y ~480).
RECT LeafSampleRect() { return RECT{0, 0, 300, 470}; }

// Settings in store order: Size, Algorithm, Transparent, Fast, Color_s, Key_Exit, Rands_Algorithm.
std::vector<DWORD> Settings(DWORD size, DWORD algorithm, DWORD transparent, DWORD fast, DWORD key_exit, DWORD random) {
  return {size, algorithm, transparent, fast, 3, key_exit, random};
}

LRESULT Ask(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 3000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

int Position(HWND dialog, int id) { return static_cast<int>(Ask(GetDlgItem(dialog, id), TBM_GETPOS)); }
bool Checked(HWND dialog, int id) { return Ask(GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED; }

// Every event of the click carries the place, so none of them can land where the cursor was.
// The three go in one call, so the button-up is queued before the control handles the press:
// a press held on a slider's channel repeats, and a busy machine would otherwise hold it.
void Click(int x, int y) {
  const LONG dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  const DWORD flags[] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  INPUT inputs[std::size(flags)] = {};
  for (size_t i = 0; i < std::size(flags); ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = dx;
    inputs[i].mi.dy = dy;
    inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Clicks a point of a control, after making sure that the click lands on it (the saver's
// window behind the dialog must not take it).
void ClickOn(Context& ctx, HWND control, POINT point) {
  HWND hit = WindowFromPoint(point);
  E2E_CHECK(hit == control, "the click at " + std::to_string(point.x) + "," + std::to_string(point.y) +
                                " would land on a " + ClassName(hit));
  Click(point.x, point.y);
}

void ClickControl(Context& ctx, HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  const RECT rect = ScreenRect(control);
  ClickOn(ctx, control, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

// A click on a slider's channel near its right end: one step up. In a slider 12 pixels high
// the channel is the band 2..5 pixels from its top, 4 pixels in from either end. A press held
// on the channel repeats (after half a second), and a busy machine may hold a real one that
// long; the press and the release go to the slider as posted messages instead, which it
// handles one after the other before any timer of its own.
void ClickSliderRightEnd(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  RECT client{};
  GetClientRect(control, &client);
  const LPARAM where = MAKELPARAM(client.right - 8, 4);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageA(control, WM_LBUTTONUP, 0, where);
}

// Keys go to the active window: activate the dialog by clicking its empty frame first.
void ActivateDialog(HWND dialog) {
  const RECT rect = ScreenRect(dialog);
  RECT client{};
  GetClientRect(dialog, &client);
  POINT corner{2, client.bottom - 2};
  ClientToScreen(dialog, &corner);
  Click(corner.x, corner.y);
  (void)rect;
  // Keys are routed by where the activation is when they arrive, not when they are read.
  e2e::WaitFor([&] { return GetForegroundWindow() == dialog; }, kAnswerTimeout);
}

HWND OpenDialog(Context& ctx, e2e::SaverProcess& saver, const std::string& arguments) {
  if (!saver.Start(ctx.scr_path, arguments)) {
    ctx.Fail("could not start the saver with " + arguments);
    return nullptr;
  }
  HWND dialog = saver.WaitWindow(kDialogClass, kOpenTimeout);
  E2E_CHECK(dialog != nullptr, "no dialog for " + arguments);
  E2E_CHECK(saver.FindWindowOfClass(kSaverClass) != nullptr, "no saver window behind the dialog for " + arguments);
  // The dialog's own creation ends with its sliders set; wait until it answers.
  if (dialog) e2e::WaitFor([&] { return Ask(dialog, WM_NULL) == 0; }, kAnswerTimeout);
  return dialog;
}

// An error message of the saver would hold the dialog disabled behind it.
void CheckNoMessage(Context& ctx, e2e::SaverProcess& saver) {
  HWND box = e2e::WaitMessageBox(saver.Id(), 0);
  E2E_CHECK(box == nullptr, "the saver shows a message: " + e2e::MessageBoxText(box));
}

bool WaitLeaves(const e2e::Snapshot& before) {
  return e2e::WaitFor([&] { return e2e::CountLeafPixels(before, e2e::TakeSnapshot(LeafSampleRect())) > 50; },
                      kPaintTimeout, 100);
}

bool DesktopClean(const e2e::Snapshot& before) {
  return e2e::WaitFor([&] { return e2e::CountChanged(before, e2e::TakeSnapshot(LeafSampleRect())) < 50; },
                      kPaintTimeout, 100);
}

DWORD Stored(const char* name) {
  DWORD type = 0, value = 0xDEADBEEF;
  if (!e2e::ReadSettingsValue(name, type, value) || type != REG_DWORD) return 0xDEADBEEF;
  return value;
}

// Ends a run through the given way of closing and checks that the program ends with the leaves
// gone from the desktop.
template <typename CloseAction>
void CheckClosing(Context& ctx, const char* how, CloseAction close) {
  e2e::RepaintDesktop();
  const e2e::Snapshot before = e2e::TakeSnapshot(LeafSampleRect());
  e2e::WriteSettings(Settings(12, 1, 10, 50, 1, 0));
  e2e::SaverProcess saver;
  HWND dialog = OpenDialog(ctx, saver, "/c");
  if (!dialog) return;
  E2E_CHECK(WaitLeaves(before), std::string("no leaves painted before closing by ") + how);
  close(dialog);
  E2E_CHECK(saver.WaitExit(kExitTimeout), std::string("program still running after ") + how);
  E2E_CHECK(DesktopClean(before), std::string("leaves left on the desktop after ") + how);
}

}  // namespace

E2E_CASE(dialog_opens_for_every_spelling) {
  for (const char* arguments : {"/c", "/C", "/c:1234"}) {
    e2e::DeleteSettingsKey();  // a first run: the defaults
    e2e::SaverProcess saver;
    HWND dialog = OpenDialog(ctx, saver, arguments);
    if (!dialog) continue;
    E2E_CHECK(e2e::WindowText(dialog) == "Ambervale Screensaver Settings", e2e::WindowText(dialog));
    E2E_CHECK(Position(dialog, kSizeSlider) == 12, std::to_string(Position(dialog, kSizeSlider)));
    E2E_CHECK(Position(dialog, kTransparencySlider) == 8, std::to_string(Position(dialog, kTransparencySlider)));
    E2E_CHECK(Position(dialog, kPaceSlider) == 33, std::to_string(Position(dialog, kPaceSlider)));
    // "Random" is on: the slider shows the first cycle's pick, one of 0..9, not the stored 10.
    const int algorithm = Position(dialog, kAlgorithmSlider);
    E2E_CHECK(algorithm >= 0 && algorithm <= 9, std::to_string(algorithm));
    E2E_CHECK(Checked(dialog, kExitOnInputBox) && Checked(dialog, kRandomAlgorithmBox), "both boxes checked");

    RECT outer = ScreenRect(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    E2E_CHECK(client.right == 396 && client.bottom == 201,
              std::to_string(client.right) + "x" + std::to_string(client.bottom));
    E2E_CHECK(outer.left == 1024 / 2 - width / 2, std::to_string(outer.left));
    E2E_CHECK(outer.top == 768 - height - 50, std::to_string(outer.top));
    E2E_CHECK(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, "stays on top");

    ClickControl(ctx, dialog, kCloseButton);
    E2E_CHECK(saver.WaitExit(kExitTimeout), std::string("\"Close\" did not end the run of ") + arguments);
  }
}

E2E_CASE(dialog_size_and_fast_sliders_follow_the_user) {
  e2e::RepaintDesktop();
  // The plain grid fills row after row from the top-left cell. Below its first row (cells of
  // at most 60 pixels at Size 12 or 13), leaves come back only a whole row of cells after a
  // restart, seconds later, so a restart shows there however late this driver looks.
  const RECT below_first_row{0, 90, 300, 470};
  const e2e::Snapshot before = e2e::TakeSnapshot(below_first_row);
  e2e::WriteSettings(Settings(12, 1, 8, 25, 0, 0));
  e2e::SaverProcess saver;
  HWND dialog = OpenDialog(ctx, saver, "/c");
  if (!dialog) return;
  E2E_CHECK(Position(dialog, kSizeSlider) == 12, std::to_string(Position(dialog, kSizeSlider)));

  auto leaves = [&] { return e2e::CountLeafPixels(before, e2e::TakeSnapshot(below_first_row)); };
  // The reading that passed is the one compared with: a later one may come from a capture that
  // failed, which sees no leaves at all.
  int grown = 0;
  E2E_CHECK(e2e::WaitFor([&] { return (grown = leaves()) > 1500; }, kPaintTimeout, 50), std::to_string(grown));

  // Size 12 -> 13 by a click on the channel right of the thumb: the cycle restarts, so the
  // desktop is repainted and the new, larger cells start again from the top-left one.
  ClickSliderRightEnd(dialog, kSizeSlider);
  E2E_CHECK(e2e::WaitFor([&] { return Position(dialog, kSizeSlider) == 13; }, kAnswerTimeout),
            "Size slider at " + std::to_string(Position(dialog, kSizeSlider)));
  E2E_CHECK(e2e::WaitFor([&] { return leaves() < grown / 2; }, kPaintTimeout, 10),
            "no restart: " + std::to_string(leaves()) + " leaf pixels against " + std::to_string(grown));
  // And one more step with the keyboard, back down.
  e2e::PressKey(VK_LEFT);
  E2E_CHECK(e2e::WaitFor([&] { return Position(dialog, kSizeSlider) == 12; }, kAnswerTimeout),
            "Size slider at " + std::to_string(Position(dialog, kSizeSlider)));
  e2e::PressKey(VK_RIGHT);
  E2E_CHECK(e2e::WaitFor([&] { return Position(dialog, kSizeSlider) == 13; }, kAnswerTimeout),
            "Size slider at " + std::to_string(Position(dialog, kSizeSlider)));

  // Fast to its ends with End and Home once the slider has the focus (Tab from Size: Transparent,
  // then Fast).
  e2e::PressKey(VK_TAB);
  e2e::PressKey(VK_TAB);
  e2e::PressKey(VK_END);
  E2E_CHECK(e2e::WaitFor([&] { return Position(dialog, kPaceSlider) == 50; }, kAnswerTimeout),
            "Fast slider at " + std::to_string(Position(dialog, kPaceSlider)));
  ClickControl(ctx, dialog, kSaveButton);
  E2E_CHECK(e2e::WaitFor([&] { return Stored("Fast") == 50; }, kAnswerTimeout), std::to_string(Stored("Fast")));
  E2E_CHECK(Stored("Size") == 13, std::to_string(Stored("Size")));

  ClickControl(ctx, dialog, kPaceSlider);  // the thumb sits at the right end: a click refocuses
  e2e::PressKey(VK_HOME);
  E2E_CHECK(e2e::WaitFor([&] { return Position(dialog, kPaceSlider) == 0; }, kAnswerTimeout),
            "Fast slider at " + std::to_string(Position(dialog, kPaceSlider)));
  ClickControl(ctx, dialog, kSaveButton);
  E2E_CHECK(e2e::WaitFor([&] { return Stored("Fast") == 0; }, kAnswerTimeout), std::to_string(Stored("Fast")));
  E2E_CHECK(saver.Running(), "saving ended the run");

  CheckNoMessage(ctx, saver);
  ClickControl(ctx, dialog, kCloseButton);
  E2E_CHECK(saver.WaitExit(kExitTimeout), "\"Close\" did not end the run");
}

E2E_CASE(dialog_save_writes_pulled_in_values) {
  // "Random" off, an Algorithm beyond the slider and a Transparent of 0.
  e2e::WriteSettings({5, 20, 0, 7, 9, 0, 0});
  e2e::SaverProcess saver;
  HWND dialog = OpenDialog(ctx, saver, "/c");
  if (!dialog) return;
  E2E_CHECK(Position(dialog, kAlgorithmSlider) == 12, std::to_string(Position(dialog, kAlgorithmSlider)));
  E2E_CHECK(Position(dialog, kTransparencySlider) == 1, std::to_string(Position(dialog, kTransparencySlider)));
  E2E_CHECK(!Checked(dialog, kExitOnInputBox) && !Checked(dialog, kRandomAlgorithmBox), "both boxes unchecked");

  e2e::WriteSettings({0, 0, 0, 0, 0, 0, 0});  // so that the save is seen to write every value
  ClickControl(ctx, dialog, kSaveButton);
  E2E_CHECK(e2e::WaitFor([&] { return Stored("Algorithm") == 12; }, kAnswerTimeout),
            std::to_string(Stored("Algorithm")));
  const DWORD expected[7] = {5, 12, 0, 7, 9, 0, 0};
  for (int i = 0; i < 7; ++i) {
    E2E_CHECK(Stored(e2e::kSettingNames[i]) == expected[i],
              std::string(e2e::kSettingNames[i]) + " = " + std::to_string(Stored(e2e::kSettingNames[i])));
  }

  // The boxes by real clicks, then a second save.
  ClickControl(ctx, dialog, kExitOnInputBox);
  ClickControl(ctx, dialog, kRandomAlgorithmBox);
  E2E_CHECK(e2e::WaitFor([&] { return Checked(dialog, kExitOnInputBox) && Checked(dialog, kRandomAlgorithmBox); },
                         kAnswerTimeout),
            "the clicks did not check the boxes");
  ClickControl(ctx, dialog, kSaveButton);
  E2E_CHECK(e2e::WaitFor([&] { return Stored("Key_Exit") == 1 && Stored("Rands_Algorithm") == 1; }, kAnswerTimeout),
            std::to_string(Stored("Key_Exit")) + "," + std::to_string(Stored("Rands_Algorithm")));
  E2E_CHECK(Stored("Transparent") == 0, std::to_string(Stored("Transparent")));

  CheckNoMessage(ctx, saver);
  ClickControl(ctx, dialog, kCloseButton);
  E2E_CHECK(saver.WaitExit(kExitTimeout), "\"Close\" did not end the run");
}

E2E_CASE(dialog_mouse_leaves_saver_running_and_esc_ends_it) {
  CheckClosing(ctx, "Esc", [&](HWND dialog) {
    // Key_Exit is on, yet jumps far beyond the mouse threshold leave the saver running.
    const POINT jumps[] = {{10, 10}, {900, 700}, {20, 600}, {1000, 20}, {150, 150}};
    for (const POINT& jump : jumps) {
      e2e::MoveCursor(jump.x, jump.y);
      e2e::Pause(150);
    }
    E2E_CHECK(IsWindowVisible(dialog), "the dialog went away after mouse movement");
    ActivateDialog(dialog);
    e2e::PressKey(VK_ESCAPE);
  });
}

E2E_CASE(dialog_close_button_ends_the_program) {
  CheckClosing(ctx, "\"Close\"", [&](HWND dialog) { ClickControl(ctx, dialog, kCloseButton); });
}

E2E_CASE(dialog_close_box_ends_the_program) {
  CheckClosing(ctx, "the close box", [&](HWND dialog) {
    // The close box is the rightmost button of the title bar.
    const RECT outer = ScreenRect(dialog);
    POINT client_origin{0, 0};
    ClientToScreen(dialog, &client_origin);
    const int border = client_origin.x - outer.left;
    const int caption_middle = (outer.top + client_origin.y) / 2;
    Click(outer.right - border - GetSystemMetrics(SM_CXSIZE) / 2, caption_middle);
  });
}
