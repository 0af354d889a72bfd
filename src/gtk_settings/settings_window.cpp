#include "gtk_settings/settings_window.h"

#include <gdk/gdkkeysyms.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/algorithms.h"
#include "run/saver_startup.h"
#include "gtk_settings/idle_autostart.h"
#include "linux/desktop_sources/desktop_sources.h"
#include "linux/program_main.h"
#include "linux/wake_clock.h"
#include "wayland/instance_lock.h"

namespace ambervale {
namespace {

constexpr int kPreviewWidth = 320;
constexpr int kSpacing = 6;

Session CurrentSession() {
#ifdef GDK_WINDOWING_WAYLAND
  if (GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default())) return Session::kWayland;
#endif
  return Session::kX11;
}

// The preview has the shape of the screen the window opens on.
int PreviewHeight(GtkWidget* window) {
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle screen{0, 0, 16, 9};
  if (monitor != nullptr) gdk_monitor_get_geometry(monitor, &screen);
  if (screen.width <= 0 || screen.height <= 0) screen = {0, 0, 16, 9};
  return std::clamp(kPreviewWidth * screen.height / screen.width, 60, 2 * kPreviewWidth);
}

// The caption of a setting's label, with its access key before the first `mnemonic`.
std::string Caption(std::string_view label, char mnemonic) {
  std::string caption(label);
  const size_t at = caption.find(mnemonic);
  if (at != std::string::npos) caption.insert(at, "_");
  return caption;
}

}  // namespace

SettingsWindow::SettingsWindow(GtkApplication* application, std::string config_path, std::string own_folder)
    : config_path_(std::move(config_path)),
      own_folder_(std::move(own_folder)),
      session_(CurrentSession()),
      model_(config_path_) {
  window_ = gtk_application_window_new(application);
  gtk_window_set_title(GTK_WINDOW(window_), "Ambervale Screensaver Settings");
  gtk_window_set_icon_name(GTK_WINDOW(window_), "ambervale");
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2 * kSpacing);
  gtk_container_set_border_width(GTK_CONTAINER(column), 12);
  problems_ = gtk_label_new(nullptr);
  gtk_label_set_xalign(GTK_LABEL(problems_), 0);
  gtk_label_set_line_wrap(GTK_LABEL(problems_), TRUE);
  gtk_label_set_selectable(GTK_LABEL(problems_), TRUE);
  gtk_box_pack_start(GTK_BOX(column), problems_, FALSE, FALSE, 0);
  controls_ = BuildControls();
  gtk_box_pack_start(GTK_BOX(column), controls_, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), BuildPreview(), FALSE, FALSE, 0);
  status_ = gtk_label_new(nullptr);
  gtk_label_set_xalign(GTK_LABEL(status_), 0);
  gtk_label_set_line_wrap(GTK_LABEL(status_), TRUE);
  gtk_box_pack_start(GTK_BOX(column), status_, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(column), BuildButtons(), FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window_), column);

  ShowValues();
  gtk_widget_show_all(window_);
  if (session_ != Session::kWayland) {
    gtk_widget_hide(desktop_picture_);
    gtk_widget_hide(screensaver_row_);
    gtk_widget_hide(lock_on_end_);
  }

  const std::string problems = model_.Problems();
  gtk_label_set_text(GTK_LABEL(problems_), problems.c_str());
  if (!problems.empty()) std::fprintf(stderr, "ambervale-settings: %s\n", problems.c_str());
  gtk_widget_set_visible(problems_, !problems.empty());
  gtk_widget_set_sensitive(save_, model_.CanSave());
  gtk_widget_grab_focus(layout_);
}

SettingsWindow::~SettingsWindow() {
  if (preview_timer_ != 0) g_source_remove(preview_timer_);
  if (try_watch_ != 0) g_source_remove(try_watch_);
  if (try_pid_ > 0) {
    kill(try_pid_, SIGTERM);
    g_spawn_close_pid(try_pid_);
  }
}

GtkWidget* SettingsWindow::BuildControls() {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), kSpacing);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 2 * kSpacing);
  GtkWidget* layout_label = gtk_label_new_with_mnemonic("_Layout:");
  gtk_label_set_xalign(GTK_LABEL(layout_label), 0);
  gtk_grid_attach(GTK_GRID(grid), layout_label, 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), BuildLayoutChoice(), 1, 0, 1, 1);
  gtk_label_set_mnemonic_widget(GTK_LABEL(layout_label), layout_);
  random_ = gtk_check_button_new_with_mnemonic(Caption(SpecOf(SettingId::kRandomAlgorithm).label, 'R').c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(random_), model_.Values().random_algorithm);
  gtk_grid_attach(GTK_GRID(grid), random_, 2, 0, 1, 1);
  g_signal_connect(random_, "toggled", G_CALLBACK(OnRandomToggled), this);
  AddSlider(GTK_GRID(grid), 2, SettingId::kSize, 'S');
  AddSlider(GTK_GRID(grid), 3, SettingId::kOpacity, 'p');
  AddSlider(GTK_GRID(grid), 4, SettingId::kFast, 'F');
  // Says where this desktop's picture will come from (only the Wayland program takes one).
  const std::string source = session_ == Session::kWayland ? DesktopSources().ExpectedSource() : std::string();
  desktop_picture_ = AddCheck(GTK_GRID(grid), 5, "_Desktop picture behind the leaves: " + source,
                              model_.Values().desktop_picture.value_or(kWaylandDesktopPictureByDefault),
                              G_CALLBACK(OnDesktopPictureToggled));
  gtk_grid_attach(GTK_GRID(grid), BuildScreensaverRow(), 0, 6, 3, 1);
  lock_on_end_ = AddCheck(GTK_GRID(grid), 7, "Loc_k the session when the saver ends",
                          model_.Values().lock_on_end.value_or(false), G_CALLBACK(OnLockOnEndToggled));
  return grid;
}

// The layouts by name, as a GTK user chooses among named things.
GtkWidget* SettingsWindow::BuildLayoutChoice() {
  layout_ = gtk_combo_box_text_new();
  for (const AlgorithmSpec& spec : kAlgorithms)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(layout_), spec.name.data());
  gtk_combo_box_set_active(GTK_COMBO_BOX(layout_), model_.Values().algorithm);
  g_signal_connect(layout_, "changed", G_CALLBACK(OnLayoutChosen), this);
  return layout_;
}

// On Wayland the preview shows the desktop the saver will show, from the same sources, taken
// before this window maps (so that it is not in the picture).
std::vector<uint32_t> SettingsWindow::DesktopUnderPreview(int width, int height) {
  if (session_ != Session::kWayland || !model_.Values().desktop_picture.value_or(kWaylandDesktopPictureByDefault))
    return {};
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return {};
  GdkRectangle area{};
  gdk_monitor_get_geometry(monitor, &area);
  const ScreenArea screen{area.x, area.y, area.width, area.height};
  // The user is here: where the portal asks once, it asks now, and the saver later runs silent.
  DesktopSources sources;
  sources.LetPortalAsk();
  const DesktopPicture picture = sources.PictureOf(screen, screen);
  if (picture.pixels.empty()) return {};
  return ScalePicture(picture.pixels, picture.width, picture.height, width, height);
}

// Wayland has no screensaver daemon to start the saver: the switch starts ambervale-wayland's
// idle watcher now and, through an autostart entry, at each login. Like the desktop's own
// settings it applies at once, without Save, and the window says so.
GtkWidget* SettingsWindow::BuildScreensaverRow() {
  const std::string autostart = IdleAutostartPath(config_path_);
  std::string entry;
  if (gchar* text = nullptr; !autostart.empty() && g_file_get_contents(autostart.c_str(), &text, nullptr, nullptr)) {
    entry = text;
    g_free(text);
  }
  watcher_side_ = std::make_unique<SessionWatcher>(
      autostart, SaverProgram(Session::kWayland, own_folder_),
      InstanceLock::PathOf(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"),
                           InstanceLock::Role::kIdleWatcher));
  screensaver_ = std::make_unique<ScreensaverSwitch>(*watcher_side_, IdleMinutesOf(entry));

  screensaver_row_ = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(screensaver_row_), kSpacing);
  gtk_grid_set_column_spacing(GTK_GRID(screensaver_row_), kSpacing);
  GtkWidget* caption = gtk_label_new_with_mnemonic("_Use Ambervale as my screensaver");
  screensaver_switch_ = gtk_switch_new();
  gtk_widget_set_valign(screensaver_switch_, GTK_ALIGN_CENTER);
  gtk_label_set_mnemonic_widget(GTK_LABEL(caption), screensaver_switch_);
  GtkWidget* after = gtk_label_new_with_mnemonic("_after");
  idle_minutes_ = gtk_spin_button_new_with_range(ScreensaverSwitch::kMinMinutes, ScreensaverSwitch::kMaxMinutes, 1);
  gtk_label_set_mnemonic_widget(GTK_LABEL(after), idle_minutes_);
  GtkWidget* unit = gtk_label_new("minutes idle");
  // Named for screen readers, which a mnemonic label does not do for these two.
  atk_object_set_name(gtk_widget_get_accessible(screensaver_switch_), "Use Ambervale as my screensaver");
  atk_object_set_name(gtk_widget_get_accessible(idle_minutes_), "Minutes idle before the saver");
  GtkWidget* at_once = gtk_label_new("Applies at once, without Save.");
  gtk_style_context_add_class(gtk_widget_get_style_context(at_once), "dim-label");
  switch_report_ = gtk_label_new(nullptr);
  gtk_label_set_xalign(GTK_LABEL(switch_report_), 0);
  gtk_label_set_xalign(GTK_LABEL(at_once), 0);
  int column = 0;
  for (GtkWidget* widget : {caption, screensaver_switch_, after, idle_minutes_, unit})
    gtk_grid_attach(GTK_GRID(screensaver_row_), widget, column++, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(screensaver_row_), switch_report_, 0, 1, 2, 1);
  gtk_grid_attach(GTK_GRID(screensaver_row_), at_once, 2, 1, 3, 1);
  ShowSwitch();
  g_signal_connect(screensaver_switch_, "notify::active", G_CALLBACK(OnSwitchTurned), this);
  g_signal_connect(idle_minutes_, "value-changed", G_CALLBACK(OnMinutesChanged), this);
  return screensaver_row_;
}

// The switch and the minutes as the model has them (a change it refused is undone), and its
// report. What is set here is no user's change: the handlers wait.
void SettingsWindow::ShowSwitch() {
  const auto turned = reinterpret_cast<gpointer>(OnSwitchTurned);
  const auto changed = reinterpret_cast<gpointer>(OnMinutesChanged);
  g_signal_handlers_block_by_func(screensaver_switch_, turned, this);
  g_signal_handlers_block_by_func(idle_minutes_, changed, this);
  gtk_switch_set_active(GTK_SWITCH(screensaver_switch_), screensaver_->On());
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(idle_minutes_), screensaver_->Minutes());
  g_signal_handlers_unblock_by_func(screensaver_switch_, turned, this);
  g_signal_handlers_unblock_by_func(idle_minutes_, changed, this);
  gtk_label_set_text(GTK_LABEL(switch_report_), screensaver_->Report().c_str());
  GtkStyleContext* style = gtk_widget_get_style_context(switch_report_);
  if (screensaver_->Problem()) {
    gtk_style_context_add_class(style, GTK_STYLE_CLASS_ERROR);
  } else {
    gtk_style_context_remove_class(style, GTK_STYLE_CLASS_ERROR);
  }
}

void SettingsWindow::OnSwitchTurned(GtkSwitch* button, GParamSpec*, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    self->screensaver_->Turn(gtk_switch_get_active(button));
    self->ShowSwitch();
  });
}

void SettingsWindow::OnMinutesChanged(GtkSpinButton* button, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    self->screensaver_->SetMinutes(gtk_spin_button_get_value_as_int(button));
    self->ShowSwitch();
  });
}

void SettingsWindow::AddSlider(GtkGrid* grid, int row, SettingId id, char mnemonic) {
  const SettingSpec& spec = SpecOf(id);
  Slider& slider = *std::find_if(sliders_.begin(), sliders_.end(), [](const Slider& s) { return s.window == nullptr; });
  slider = {this, id, gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, spec.min, spec.max, 1), gtk_label_new("")};
  gtk_scale_set_digits(GTK_SCALE(slider.scale), 0);
  gtk_range_set_increments(GTK_RANGE(slider.scale), 1, 5);
  gtk_widget_set_size_request(slider.scale, 200, -1);
  GtkWidget* label = gtk_label_new_with_mnemonic((Caption(spec.label, mnemonic) + ":").c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  // Ties the caption to the slider: the access key focuses it, screen readers name it.
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), slider.scale);
  gtk_label_set_xalign(GTK_LABEL(slider.note), 0);
  gtk_label_set_width_chars(GTK_LABEL(slider.note), 28);
  gtk_grid_attach(grid, label, 0, row, 1, 1);
  gtk_grid_attach(grid, slider.scale, 1, row, 1, 1);
  gtk_grid_attach(grid, slider.note, 2, row, 1, 1);
  g_signal_connect(slider.scale, "value-changed", G_CALLBACK(OnSliderMoved), &slider);
}

GtkWidget* SettingsWindow::AddCheck(GtkGrid* grid, int row, const std::string& caption, bool on, GCallback handler) {
  GtkWidget* check = gtk_check_button_new_with_mnemonic(caption.c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), on);
  gtk_grid_attach(grid, check, 1, row, 2, 1);
  g_signal_connect(check, "toggled", handler, this);
  return check;
}

GtkWidget* SettingsWindow::BuildPreview() {
  GtkWidget* frame = gtk_frame_new("Preview");
  preview_area_ = gtk_drawing_area_new();
  const int height = PreviewHeight(window_);
  gtk_widget_set_size_request(preview_area_, kPreviewWidth, height);
  gtk_widget_set_halign(preview_area_, GTK_ALIGN_CENTER);
  g_signal_connect(preview_area_, "draw", G_CALLBACK(OnPreviewDraw), this);
  AtkObject* accessible = gtk_widget_get_accessible(preview_area_);
  atk_object_set_name(accessible, "Preview of the saver with these settings");
  gtk_container_add(GTK_CONTAINER(frame), preview_area_);
  preview_ =
      std::make_unique<LivePreview>(kPreviewWidth, height, model_.Values(), DesktopUnderPreview(kPreviewWidth, height));
  SchedulePreviewTick();
  return frame;
}

GtkWidget* SettingsWindow::BuildButtons() {
  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(buttons), kSpacing);
  try_ = gtk_button_new_with_mnemonic("_Try");
  gtk_widget_set_tooltip_text(try_, "Run the saver full screen with these settings; a key ends it");
  save_ = gtk_button_new_with_mnemonic("Sa_ve");
  GtkWidget* close = gtk_button_new_with_mnemonic("_Close");
  for (GtkWidget* button : {try_, save_, close}) gtk_container_add(GTK_CONTAINER(buttons), button);
  g_signal_connect(try_, "clicked", G_CALLBACK(OnTryClicked), this);
  g_signal_connect(save_, "clicked", G_CALLBACK(OnSaveClicked), this);
  g_signal_connect(close, "clicked", G_CALLBACK(OnCloseClicked), this);
  return buttons;
}

void SettingsWindow::ShowValues() {
  for (Slider& slider : sliders_) {
    gtk_range_set_value(GTK_RANGE(slider.scale), ValueOf(model_.Values(), slider.id));
    UpdateNote(slider);
  }
}

void SettingsWindow::UpdateNote(const Slider& slider) {
  const Settings& s = model_.Values();
  std::string note;
  switch (slider.id) {
    case SettingId::kSize:
      note = std::to_string(preview_ ? preview_->Columns() : 0) + " columns across the screen";
      break;
    case SettingId::kFast: note = "a tick every " + std::to_string(TickInterval(s.fast)) + " ms"; break;
    case SettingId::kOpacity:
      note = "opacity " + std::to_string(s.opacity) + " of " + std::to_string(SpecOf(slider.id).max);
      break;
    default: break;
  }
  gtk_label_set_text(GTK_LABEL(slider.note), note.c_str());
}

void SettingsWindow::ValuesChanged() {
  preview_->Show(model_.Values());
  for (const Slider& slider : sliders_) UpdateNote(slider);
  SchedulePreviewTick();
  gtk_widget_queue_draw(preview_area_);
}

void SettingsWindow::OnSliderMoved(GtkRange* range, Slider* slider) {
  SettingsWindow* self = slider->window;
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    const int32_t value = static_cast<int32_t>(std::lround(gtk_range_get_value(range)));
    if (self->model_.Change(slider->id, value)) self->ValuesChanged();
  });
}

void SettingsWindow::OnLayoutChosen(GtkComboBox* box, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    const int chosen = gtk_combo_box_get_active(box);
    if (chosen >= 0 && self->model_.Change(SettingId::kAlgorithm, chosen)) self->ValuesChanged();
  });
}

void SettingsWindow::OnRandomToggled(GtkToggleButton* button, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    if (self->model_.Change(SettingId::kRandomAlgorithm, gtk_toggle_button_get_active(button))) self->ValuesChanged();
  });
}

void SettingsWindow::OnDesktopPictureToggled(GtkToggleButton* button, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal,
               [&] { self->model_.SetDesktopPicture(gtk_toggle_button_get_active(button) != FALSE); });
}

void SettingsWindow::OnLockOnEndToggled(GtkToggleButton* button, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal,
               [&] { self->model_.SetLockOnEnd(gtk_toggle_button_get_active(button) != FALSE); });
}

gboolean SettingsWindow::OnPreviewDraw(GtkWidget*, cairo_t* cairo, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [&] {
    const BackBuffer& buffer = self->preview_->Buffer();
    // The buffer's pixels are cairo's RGB24 as they are: 32 bits, 0x00RRGGBB in native order.
    cairo_surface_t* picture =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(buffer.Pixels())),
                                            CAIRO_FORMAT_RGB24, buffer.Width(), buffer.Height(), buffer.Width() * 4);
    cairo_set_source_surface(cairo, picture, 0, 0);
    cairo_paint(cairo);
    cairo_surface_destroy(picture);
  });
  return TRUE;
}

// The preview's wake: every tick that is due, then one timer for the next, set again after
// each wake and after each change.
void SettingsWindow::SchedulePreviewTick() {
  if (preview_timer_ != 0) g_source_remove(preview_timer_);
  preview_timer_ = 0;
  if (failed_) return;
  const MonotonicTime now = MonotonicNow();
  std::optional<MonotonicTime> next_wake;
  if (preview_->Advance(now, next_wake)) gtk_widget_queue_draw(preview_area_);
  if (!next_wake) return;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(std::max(*next_wake - now, MonotonicTime{0}));
  preview_timer_ = g_timeout_add(static_cast<guint>(wait.count()), G_SOURCE_FUNC(OnPreviewTimer), this);
}

gboolean SettingsWindow::OnPreviewTimer(SettingsWindow* self) {
  self->preview_timer_ = 0;
  self->AtEdge(CallbackEdge::kGlibSource, [self] { self->SchedulePreviewTick(); });
  return G_SOURCE_REMOVE;
}

void SettingsWindow::SetStatus(const std::string& text, bool problem) {
  gtk_label_set_text(GTK_LABEL(status_), text.c_str());
  GtkStyleContext* style = gtk_widget_get_style_context(status_);
  if (problem) {
    gtk_style_context_add_class(style, GTK_STYLE_CLASS_ERROR);
  } else {
    gtk_style_context_remove_class(style, GTK_STYLE_CLASS_ERROR);
  }
}

void SettingsWindow::Save() {
  if (failed_) return;
  const SettingsModel::Status status = model_.Save();
  SetStatus(status.text, status.problem);
}

void SettingsWindow::Try() {
  const std::string program = SaverProgram(session_, own_folder_);
  std::vector<std::string> command = TryCommand(session_, program, model_.Values());
  std::vector<char*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);
  GError* error = nullptr;
  if (!g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &try_pid_, &error)) {
    SetStatus("Cannot start " + program + ": " + error->message, true);
    g_error_free(error);
    try_pid_ = 0;
    return;
  }
  try_watch_ = g_child_watch_add(try_pid_, reinterpret_cast<GChildWatchFunc>(OnTryExited), this);
  gtk_widget_set_sensitive(try_, FALSE);
  SetStatus("The saver runs full screen; a key ends it.", false);
}

void SettingsWindow::TryEnded(GPid pid, int status) {
  g_spawn_close_pid(pid);
  try_pid_ = 0;
  try_watch_ = 0;
  gtk_widget_set_sensitive(try_, TRUE);
  GError* error = nullptr;
  if (g_spawn_check_wait_status(status, &error)) {
    SetStatus("", false);
  } else {
    SetStatus(std::string("The saver ended: ") + error->message, true);
    g_error_free(error);
  }
}

void SettingsWindow::OnSaveClicked(GtkButton*, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [self] { self->Save(); });
}
void SettingsWindow::OnTryClicked(GtkButton*, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [self] { self->Try(); });
}
void SettingsWindow::OnCloseClicked(GtkButton*, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGtkSignal, [self] { gtk_widget_destroy(self->window_); });
}
void SettingsWindow::OnTryExited(GPid pid, int status, SettingsWindow* self) {
  self->AtEdge(CallbackEdge::kGlibSource, [&] { self->TryEnded(pid, status); });
}

gboolean SettingsWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, SettingsWindow* self) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  self->AtEdge(CallbackEdge::kGtkSignal, [self] { gtk_widget_destroy(self->window_); });
  return TRUE;
}

template <typename Body>
void SettingsWindow::AtEdge(CallbackEdge edge, Body&& body) noexcept {
  CatchAtEdge(edge, std::forward<Body>(body));
  if (const std::exception_ptr failure = TakeCaughtFailure()) ShowFailure(DescribeFailure(failure));
}

// What failed may have left the preview half-way: it stops, and Save stays off so that the
// settings file keeps what it holds. Close still works.
void SettingsWindow::ShowFailure(const std::string& what) noexcept {
  failed_ = true;
  model_.Stop();
  if (preview_timer_ != 0) g_source_remove(preview_timer_);
  preview_timer_ = 0;
  std::fprintf(stderr, "ambervale-settings: %s\n", what.c_str());
  for (GtkWidget* widget : {controls_, save_, try_})
    if (widget != nullptr) gtk_widget_set_sensitive(widget, FALSE);
  if (status_ != nullptr)
    SetStatus("Stopped: " + what + ". The settings file is left as it was; close the window.", true);
}

}  // namespace ambervale
