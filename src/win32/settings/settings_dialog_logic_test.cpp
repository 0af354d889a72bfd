#include "win32/settings/settings_dialog_logic.h"

#include "run/saver_startup.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ambervale {
namespace {

// Takes each change into its settings and records it as "Label=value"; what a change does to
// the screens is the run's (saver_run_test.cpp).
class RecordingSaver : public LiveSaver {
 public:
  Settings CurrentSettings() const override { return settings; }
  void ChangeSetting(SettingId id, int32_t value) override {
    SetValue(settings, id, value);
    calls.push_back(std::string(SpecOf(id).label) + "=" + std::to_string(value));
  }
  void HoldBehindDialog() override { calls.push_back("Hold"); }
  void CloseSaver() override { calls.push_back("Close"); }

  Settings settings;
  std::vector<std::string> calls;
};

// Controls as freshly made: every slider at its design position, both boxes unchecked.
class FakeControls : public DialogControls {
 public:
  FakeControls() {
    for (DialogSlider slider : kDialogSliders) positions[Index(slider)] = RangeOf(slider).design;
  }
  int32_t SliderPosition(DialogSlider slider) const override { return positions[Index(slider)]; }
  void PlaceSlider(DialogSlider slider, int32_t position) override { positions[Index(slider)] = position; }
  bool IsChecked(DialogCheckBox box) const override { return checks[static_cast<size_t>(box)]; }
  void PlaceCheck(DialogCheckBox box, bool checked) override { checks[static_cast<size_t>(box)] = checked; }

  // The user dragging a slider: the control moves, then notifies.
  void Drag(SettingsDialogLogic& logic, DialogSlider slider, int32_t position) {
    positions[Index(slider)] = position;
    logic.SliderChanged(slider);
  }
  void Click(SettingsDialogLogic& logic, DialogCheckBox box) {
    checks[static_cast<size_t>(box)] = !checks[static_cast<size_t>(box)];
    logic.CheckBoxClicked(box);
  }

  static size_t Index(DialogSlider slider) { return static_cast<size_t>(slider); }
  std::array<int32_t, 4> positions{};
  std::array<bool, 2> checks{};
};

class SettingsDialogLogicTest : public ::testing::Test {
 protected:
  SettingsDialogLogicTest() {
    // The defaults stored, the first cycle having picked algorithm 4 at random.
    saver.settings = DefaultSettings();
    saver.settings.algorithm = 4;
  }

  int32_t Position(DialogSlider slider) const { return controls.SliderPosition(slider); }

  RecordingSaver saver;
  FakeControls controls;
  std::vector<std::string> saved;
  SettingsDialogLogic logic{saver, controls, [this] {
                              const Settings& s = saver.settings;
                              saved.push_back(std::to_string(s.size) + "," + std::to_string(s.algorithm) + "," +
                                              std::to_string(s.opacity) + "," + std::to_string(s.fast));
                            }};
};

using Calls = std::vector<std::string>;

TEST(SettingsDialogHelpersTest, RangesClampsIntervalsAndPlacement) {
  EXPECT_EQ(ClampToSlider(DialogSlider::Algorithm, 20), 12);
  EXPECT_EQ(ClampToSlider(DialogSlider::Size, 255), 20);
  EXPECT_EQ(ClampToSlider(DialogSlider::Opacity, 0), 1);
  EXPECT_EQ(ClampToSlider(DialogSlider::Opacity, -5), 1);
  EXPECT_EQ(ClampToSlider(DialogSlider::Fast, 1LL << 40), 50);
  EXPECT_EQ(ClampToSlider(DialogSlider::Fast, 25), 25);

  EXPECT_EQ(TickInterval(0), 102u);
  EXPECT_EQ(TickInterval(25), 52u);
  EXPECT_EQ(TickInterval(33), 36u);
  EXPECT_EQ(TickInterval(50), 2u);
  EXPECT_EQ(TickInterval(255), 2u);  // never zero or negative

  // A 1024 x 768 screen and a window of 402 x 230 (odd widths round the half width down).
  EXPECT_EQ(DialogPosition(1024, 768, 402, 230), (Point{311, 488}));
  EXPECT_EQ(DialogPosition(1024, 768, 403, 231), (Point{311, 487}));
  EXPECT_EQ(DialogPosition(1920, 1080, 402, 230), (Point{759, 800}));
}

TEST_F(SettingsDialogLogicTest, OpeningShowsTheRunsSettingsHandsEachOverThenHoldsTheSaver) {
  logic.ShowSettings();
  EXPECT_EQ(Position(DialogSlider::Algorithm), 4);  // the random pick, not the stored 10
  EXPECT_EQ(Position(DialogSlider::Size), 12);
  EXPECT_EQ(Position(DialogSlider::Opacity), 8);
  EXPECT_EQ(Position(DialogSlider::Fast), 33);
  EXPECT_TRUE(controls.IsChecked(DialogCheckBox::ExitOnInput));
  EXPECT_TRUE(controls.IsChecked(DialogCheckBox::RandomAlgorithm));
  // Transparent and Size start elsewhere than their design position: each control that moves
  // hands its value to the run, which knows whether anything changed; the hold comes last.
  EXPECT_EQ(saver.calls, (Calls{"Algorithm=4", "Size=12", "Transparent=8", "Fast=33", "Exit - Mouse / Key Esc=1",
                                "Random algorithm=1", "Hold"}));
}

TEST_F(SettingsDialogLogicTest, OpeningPullsOutOfRangeSettingsInAndZeroTransparentStaysUntilMoved) {
  saver.settings.algorithm = 20;
  saver.settings.size = 25;
  saver.settings.fast = 60;
  saver.settings.opacity = 0;
  logic.ShowSettings();
  EXPECT_EQ(Position(DialogSlider::Algorithm), 12);
  EXPECT_EQ(Position(DialogSlider::Size), 20);
  EXPECT_EQ(Position(DialogSlider::Opacity), 1);  // the slider's own start: no change
  EXPECT_EQ(Position(DialogSlider::Fast), 50);
  logic.SaveClicked();
  EXPECT_EQ(saved, (std::vector<std::string>{"20,12,0,50"}));

  controls.Drag(logic, DialogSlider::Opacity, 2);
  controls.Drag(logic, DialogSlider::Opacity, 1);
  EXPECT_EQ(saver.settings.opacity, 1);
}

TEST_F(SettingsDialogLogicTest, EveryMovementAndClickGoesToTheRun) {
  logic.ShowSettings();
  saver.calls.clear();
  controls.Drag(logic, DialogSlider::Size, 13);
  controls.Drag(logic, DialogSlider::Size, 13);  // a drag notifies on every movement
  controls.Drag(logic, DialogSlider::Fast, 0);
  controls.Click(logic, DialogCheckBox::ExitOnInput);
  controls.Click(logic, DialogCheckBox::RandomAlgorithm);
  EXPECT_EQ(saver.calls, (Calls{"Size=13", "Size=13", "Fast=0", "Exit - Mouse / Key Esc=0", "Random algorithm=0"}));

  // Setting a box to the state it has is no click.
  saver.calls.clear();
  logic.SetCheckBox(DialogCheckBox::ExitOnInput, false);
  EXPECT_TRUE(saver.calls.empty());
}

TEST_F(SettingsDialogLogicTest, FailedSaveLeavesTheDialogOpen) {
  SettingsDialogLogic failing(saver, controls, [] { throw std::runtime_error("Failed to set data for 'Size'"); });
  failing.ShowSettings();
  saver.calls.clear();
  EXPECT_THROW(failing.SaveClicked(), std::runtime_error);
  EXPECT_FALSE(failing.Closed());
  EXPECT_TRUE(saver.calls.empty());
}

TEST_F(SettingsDialogLogicTest, EveryWayOfClosingClosesTheSaverOnce) {
  logic.ShowSettings();
  saver.calls.clear();

  EXPECT_FALSE(logic.OnKeyDown(Key::kOther));
  EXPECT_TRUE(saver.calls.empty());
  EXPECT_TRUE(logic.OnKeyDown(Key::kEscape));
  logic.Close();  // what the window does for Esc and for its close box
  EXPECT_EQ(saver.calls, (Calls{"Close"}));
  EXPECT_TRUE(logic.Closed());

  // The saver going away can bring the dialog's own close after a "Close" press: no second pass.
  logic.CloseClicked();
  logic.Close();
  EXPECT_FALSE(logic.OnKeyDown(Key::kEscape));
  EXPECT_EQ(saver.calls, (Calls{"Close"}));
}

}  // namespace
}  // namespace ambervale
