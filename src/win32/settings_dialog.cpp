#include "win32/settings_dialog.h"

#include <commctrl.h>

#include <utility>

#include "win32/settings/dialog_scale.h"
#include "win32/application.h"
#include "win32/dpi.h"

namespace ambervale {
namespace {

constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST;
constexpr UINT_PTR kKeyPreviewSubclass = 1;
constexpr UINT_PTR kRaiseTimer = 1;
constexpr UINT kRaiseInterval = 200;  // milliseconds
constexpr int kRaises = 15;

enum class ControlKind { kTrackBar, kPushButton, kCheckBox, kCheckBoxTextLeft, kLabel };

struct ControlSpec {
  int id;
  ControlKind kind;
  int x, y, width, height;  // inside the frame
  const char* caption;
};

// In creation order, which is the tab order; the labels come last and take no focus.
constexpr ControlSpec kControls[] = {
    {kAlgorithmSliderId, ControlKind::kTrackBar, 200, 25, 180, 12, ""},
    {kSizeSliderId, ControlKind::kTrackBar, 0, 25, 180, 12, ""},
    {kTransparencySliderId, ControlKind::kTrackBar, 200, 95, 180, 12, ""},
    {kPaceSliderId, ControlKind::kTrackBar, 0, 95, 180, 12, ""},
    {kSaveButtonId, ControlKind::kPushButton, 8, 160, 104, 25, "Save Settings"},
    {kCloseButtonId, ControlKind::kPushButton, 300, 160, 74, 25, "Close"},
    {kExitOnInputBoxId, ControlKind::kCheckBox, 8, 124, 161, 15, "Exit - Mouse / Key Esc"},
    {kRandomAlgorithmBoxId, ControlKind::kCheckBoxTextLeft, 300, 0, 73, 17, "Random"},
    {kAlgorithmLabelId, ControlKind::kLabel, 208, 0, 66, 20, "Algorithm"},
    {kSizeLabelId, ControlKind::kLabel, 8, 0, 32, 20, "Size"},
    {kTransparencyLabelId, ControlKind::kLabel, 208, 70, 80, 20, "Transparent"},
    {kPaceLabelId, ControlKind::kLabel, 8, 70, 30, 20, "Fast"},
};

// "Arial", 13 pixels character height at 96 DPI, bold.
HFONT CreateDialogFont(UINT dpi) {
  return CreateFontA(-ScaleToDpi(13, dpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// A control's place in the client area at `dpi`: the frame and the place scale together, so
// at 96 DPI they are the design's pixels.
RECT ControlPlace(const ControlSpec& spec, UINT dpi) {
  const int left = ScaleToDpi(spec.x + kSettingsDialogFrame, dpi);
  const int top = ScaleToDpi(spec.y + kSettingsDialogFrame, dpi);
  return RECT{left, top, left + ScaleToDpi(spec.width, dpi), top + ScaleToDpi(spec.height, dpi)};
}

int TrackBarId(DialogSlider slider) {
  switch (slider) {
    case DialogSlider::Algorithm: return kAlgorithmSliderId;
    case DialogSlider::Size: return kSizeSliderId;
    case DialogSlider::Opacity: return kTransparencySliderId;
    case DialogSlider::Fast: return kPaceSliderId;
  }
  return 0;
}

std::optional<DialogSlider> SliderOf(int id) {
  for (DialogSlider slider : kDialogSliders) {
    if (TrackBarId(slider) == id) return slider;
  }
  return std::nullopt;
}

int CheckBoxId(DialogCheckBox box) {
  return box == DialogCheckBox::ExitOnInput ? kExitOnInputBoxId : kRandomAlgorithmBoxId;
}

void InitTrackBarClass() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)done;
}

}  // namespace

SettingsDialog::SettingsDialog(SettingsDialogDeps deps) : deps_(std::move(deps)) {}

SettingsDialog::~SettingsDialog() {
  Destroy();
  if (font_) DeleteObject(font_);
  if (background_) DeleteObject(background_);
}

std::unique_ptr<SettingsDialog> SettingsDialog::Create(SettingsDialogDeps deps) {
  InitTrackBarClass();
  WNDCLASSEXA window_class{};
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.lpszClassName = kSettingsDialogClass;
  RegisterWindowClass(window_class);
  std::unique_ptr<SettingsDialog> form(new SettingsDialog(std::move(deps)));
  form->background_ = CreateSolidBrush(kSilver);
  // The dialog opens on the primary monitor (PlaceOnScreen) and takes that monitor's DPI.
  form->dpi_ = MonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
  form->font_ = CreateDialogFont(form->dpi_);

  // The frame is part of the client area: the controls sit 8 pixels in from every side.
  const SIZE size = WindowSizeForClient(ScaleToDpi(kSettingsDialogInnerWidth + 2 * kSettingsDialogFrame, form->dpi_),
                                        ScaleToDpi(kSettingsDialogInnerHeight + 2 * kSettingsDialogFrame, form->dpi_),
                                        kStyle, kExStyle, form->dpi_);
  // Made at the primary monitor's origin, so that the window's DPI is that monitor's from the
  // start; PlaceOnScreen moves it to its place before it shows.
  if (!form->CreateHandle(kExStyle, kSettingsDialogClass, kSettingsDialogCaption, kStyle, 0, 0, size.cx, size.cy,
                          nullptr))
    return form;
  SendMessageA(form->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(form->font_), FALSE);
  form->CreateControls();

  Application::Instance().Guard([&] { form->Start(); });
  ShowWindow(form->Handle(), SW_SHOW);
  form->BringAboveSaver();
  SetForegroundWindow(form->Handle());
  // Under Wine the saver's window is raised once more shortly after it is shown, once the
  // message loop runs, burying the dialog; for its first seconds the dialog raises itself again.
  SetTimer(form->Handle(), kRaiseTimer, kRaiseInterval, nullptr);
  SetFocus(form->Control(kAlgorithmSliderId));
  Application::Instance().WindowCreated(form->Handle());
  return form;
}

void SettingsDialog::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const ControlSpec& spec : kControls) {
    const char* window_class = "BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    switch (spec.kind) {
      case ControlKind::kTrackBar:
        window_class = TRACKBAR_CLASSA;
        style |= TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM;
        break;
      case ControlKind::kPushButton: style |= BS_PUSHBUTTON; break;
      case ControlKind::kCheckBox: style |= BS_AUTOCHECKBOX; break;
      case ControlKind::kCheckBoxTextLeft: style |= BS_AUTOCHECKBOX | BS_LEFTTEXT; break;
      case ControlKind::kLabel:
        window_class = "STATIC";
        style = WS_CHILD | WS_VISIBLE | SS_LEFT;
        break;
    }
    const RECT place = ControlPlace(spec, dpi_);
    HWND control = CreateWindowExA(0, window_class, spec.caption, style, place.left, place.top,
                                   place.right - place.left, place.bottom - place.top, Handle(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    if (!control) continue;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (const std::optional<DialogSlider> slider = SliderOf(spec.id)) {
      const SliderRange range = RangeOf(*slider);
      SendMessageA(control, TBM_SETRANGEMIN, FALSE, range.min);
      SendMessageA(control, TBM_SETRANGEMAX, FALSE, range.max);
      SendMessageA(control, TBM_SETLINESIZE, 0, 1);
      SendMessageA(control, TBM_SETPAGESIZE, 0, 1);
      SendMessageA(control, TBM_SETTICFREQ, 1, 0);
      SendMessageA(control, TBM_SETPOS, TRUE, range.design);
    }
    SetWindowSubclass(control, &SettingsDialog::ControlProc, kKeyPreviewSubclass, reinterpret_cast<DWORD_PTR>(this));
  }
}

void SettingsDialog::Start() {
  LiveSaver& saver = deps_.create_saver();
  // The saver, as the main window now, owns the dialog: an owned window stays above its owner,
  // so a click on the saver (a see-through window that may still take clicks) cannot bury the
  // dialog, and the dialog goes when the saver closes.
  HWND owner = Application::Instance().MainWindow();
  if (owner && owner != Handle() && IsWindow(owner)) {
    SetWindowLongPtrA(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  }
  PlaceOnScreen();
  logic_.emplace(saver, static_cast<DialogControls&>(*this), deps_.save);
  logic_->ShowSettings();
}

void SettingsDialog::OnDpiChanged(UINT dpi, const RECT& suggested) {
  HFONT old_font = font_;
  dpi_ = dpi;
  font_ = CreateDialogFont(dpi);
  SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  for (const ControlSpec& spec : kControls) {
    const RECT place = ControlPlace(spec, dpi);
    HWND control = Control(spec.id);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The system's suggestion keeps the dialog where it was on the screen, at its new size.
  SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Handle(), nullptr, TRUE);
  if (old_font) DeleteObject(old_font);
}

void SettingsDialog::PlaceOnScreen() {
  RECT bounds{};
  GetWindowRect(Handle(), &bounds);
  const Point place = DialogPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                     bounds.right - bounds.left, bounds.bottom - bounds.top);
  SetWindowPos(Handle(), HWND_TOPMOST, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void SettingsDialog::BringAboveSaver() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SettingsDialog::CloseDialog() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }

bool SettingsDialog::PreviewKey(HWND target, WPARAM key) {
  if (logic_ && logic_->OnKeyDown(KeyOf(key))) {
    CloseDialog();
    return true;
  }
  if (key == VK_TAB) {
    // Keys reach the controls straight from the message loop, so the dialog moves the focus.
    const bool backwards = GetKeyState(VK_SHIFT) < 0;
    HWND next = GetNextDlgTabItem(Handle(), target == Handle() ? nullptr : target, backwards);
    if (next) SetFocus(next);
    return true;
  }
  return false;
}

LRESULT CALLBACK SettingsDialog::ControlProc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                             UINT_PTR subclass_id, DWORD_PTR owner) {
  auto* form = reinterpret_cast<SettingsDialog*>(owner);
  switch (message) {
    case WM_KEYDOWN:
      if (form->PreviewKey(control, wparam)) return 0;
      break;
    case WM_CHAR:
      if (wparam == VK_TAB || wparam == VK_ESCAPE) return 0;  // used up by the key-down
      break;
    case WM_NCDESTROY: RemoveWindowSubclass(control, &SettingsDialog::ControlProc, subclass_id); break;
    default: break;
  }
  return DefSubclassProc(control, message, wparam, lparam);
}

LRESULT SettingsDialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  Application& application = Application::Instance();
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, background_);
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetBkColor(dc, kSilver);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(background_);
    }
    case WM_HSCROLL: {
      // Every movement of a slider, also while its thumb is dragged; the end of a drag moves
      // nothing.
      const auto slider = SliderOf(GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
      if (logic_ && slider && LOWORD(wparam) != TB_ENDTRACK) {
        application.Guard([&] { logic_->SliderChanged(*slider); });
      }
      return 0;
    }
    case WM_COMMAND:
      if (logic_ && HIWORD(wparam) == BN_CLICKED) {
        switch (LOWORD(wparam)) {
          case kSaveButtonId: application.Guard([&] { logic_->SaveClicked(); }); break;
          case kCloseButtonId: application.Guard([&] { logic_->CloseClicked(); }); break;
          case kExitOnInputBoxId:
            application.Guard([&] { logic_->CheckBoxClicked(DialogCheckBox::ExitOnInput); });
            break;
          case kRandomAlgorithmBoxId:
            application.Guard([&] { logic_->CheckBoxClicked(DialogCheckBox::RandomAlgorithm); });
            break;
          default: break;
        }
      }
      return 0;
    case WM_KEYDOWN:
      if (PreviewKey(Handle(), wparam)) return 0;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) BringAboveSaver();
      break;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam)); return 0;
    case WM_TIMER:
      if (wparam != kRaiseTimer) break;
      if (++raises_ >= kRaises) KillTimer(Handle(), kRaiseTimer);
      BringAboveSaver();
      return 0;
    case WM_CLOSE:
      if (!logic_) {
        // No saver came up: the dialog is all there is, and closing it ends the run.
        Destroy();
        PostQuitMessage(0);
        return 0;
      }
      application.Guard([&] { logic_->Close(); });
      if (Handle()) ShowWindow(Handle(), SW_HIDE);
      return 0;
    default: break;
  }
  return DefaultHandling(message, wparam, lparam);
}

int32_t SettingsDialog::SliderPosition(DialogSlider slider) const {
  return static_cast<int32_t>(SendMessageA(Control(TrackBarId(slider)), TBM_GETPOS, 0, 0));
}

void SettingsDialog::PlaceSlider(DialogSlider slider, int32_t position) {
  SendMessageA(Control(TrackBarId(slider)), TBM_SETPOS, TRUE, position);
}

bool SettingsDialog::IsChecked(DialogCheckBox box) const {
  return SendMessageA(Control(CheckBoxId(box)), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SettingsDialog::PlaceCheck(DialogCheckBox box, bool checked) {
  SendMessageA(Control(CheckBoxId(box)), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace ambervale
