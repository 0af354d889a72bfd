#include "settings/settings_dialog_logic.h"

#include "engine/saver_startup.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ambervale {
namespace {

// Records every call with the state it found, and can stand in for the random pick that the
// saver's new cycle makes.
class RecordingSaver : public LiveSaver {
 public:
  explicit RecordingSaver(SaverState& state) : state_(state) {}
  void RestoreAndRestart() override {
    calls.push_back("Restore fade=" + std::to_string(state_.cycle.fade_step) +
                    " allowed=" + std::to_string(state_.close_allowed) +
                    " config=" + std::to_string(state_.behind_dialog));
    if (state_.settings.random_algorithm) state_.settings.algorithm = random_pick;
  }
  void SetTimerInterval(uint32_t milliseconds) override { calls.push_back("Timer " + std::to_string(milliseconds)); }
  void CloseSaver() override { calls.push_back("Close allowed=" + std::to_string(state_.close_allowed)); }

  std::vector<std::string> calls;
  uint8_t random_pick = 3;

 private:
  SaverState& state_;
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
    // What the saver's start-up leaves behind on a 1024 x 768 screen with the defaults stored,
    // the first cycle having picked algorithm 4 at random.
    state->settings.size = 12;
    state->settings.algorithm = 4;
    state->settings.transparent = 8;
    state->settings.fast = 33;
    state->settings.color = 3;
    state->settings.exit_on_input = true;
    state->settings.random_algorithm = true;
    state->grid.surface_width = 1024;
    state->grid.surface_height = 768;
    state->grid.cols = 18;
    state->grid.rows = 14;
    state->grid.cell_width = state->grid.cell_height = 57;
    state->cycle.fade_step = 2;
  }

  int32_t Position(DialogSlider slider) const { return controls.SliderPosition(slider); }

  std::unique_ptr<SaverState> state = std::make_unique<SaverState>();
  RecordingSaver saver{*state};
  FakeControls controls;
  std::vector<std::string> saved;
  SettingsDialogLogic logic{*state, saver, controls, [this] {
                              saved.push_back(std::to_string(state->settings.size) + "," + std::to_string(state->settings.algorithm) +
                                              "," + std::to_string(state->settings.transparent) + "," +
                                              std::to_string(state->settings.fast));
                            }};
};

using Calls = std::vector<std::string>;

TEST(SettingsDialogHelpersTest, RangesClampsIntervalsAndPlacement) {
  EXPECT_EQ(ClampToSlider(DialogSlider::Algorithm, 20), 12);
  EXPECT_EQ(ClampToSlider(DialogSlider::Size, 255), 20);
  EXPECT_EQ(ClampToSlider(DialogSlider::Transparent, 0), 1);
  EXPECT_EQ(ClampToSlider(DialogSlider::Transparent, -5), 1);
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

TEST_F(SettingsDialogLogicTest, OpeningWithTheDefaultsShowsThemWithoutRestarting) {
  logic.ShowSettings();

  EXPECT_EQ(Position(DialogSlider::Algorithm), 4);  // the random pick, not the stored 10
  EXPECT_EQ(Position(DialogSlider::Size), 12);
  EXPECT_EQ(Position(DialogSlider::Transparent), 8);
  EXPECT_EQ(Position(DialogSlider::Fast), 33);
  EXPECT_TRUE(controls.IsChecked(DialogCheckBox::KeyExit));
  EXPECT_TRUE(controls.IsChecked(DialogCheckBox::RandomAlgorithm));
  EXPECT_TRUE(state->behind_dialog);
  // Only the Fast handler acts: it sets the pace even when the value is unchanged.
  EXPECT_EQ(saver.calls, (Calls{"Timer 36"}));
  EXPECT_EQ(state->grid.cols, 18);
  EXPECT_EQ(state->grid.cell_width, 57);  // start-up's cell stays until Size moves
  EXPECT_EQ(state->cycle.fade_step, 2);
}

TEST_F(SettingsDialogLogicTest, OpeningPullsOutOfRangeSettingsIn) {
  state->settings.random_algorithm = false;
  state->settings.algorithm = 20;
  state->settings.size = 25;
  state->settings.fast = 60;
  logic.ShowSettings();

  EXPECT_EQ(Position(DialogSlider::Algorithm), 12);
  EXPECT_EQ(state->settings.algorithm, 12);
  EXPECT_EQ(Position(DialogSlider::Size), 20);
  EXPECT_EQ(state->settings.size, 20);
  EXPECT_EQ(state->grid.cols, 10);
  EXPECT_EQ(state->grid.rows, 8);  // Round(7.5)
  EXPECT_EQ(state->grid.cell_width, 102);
  EXPECT_EQ(state->settings.fast, 50);
  // The restarts happen before the dialog holds the saver.
  EXPECT_EQ(saver.calls, (Calls{"Restore fade=0 allowed=0 config=0", "Restore fade=0 allowed=0 config=0", "Timer 2"}));

  logic.SaveClicked();
  EXPECT_EQ(saved, (std::vector<std::string>{"20,12,8,50"}));
}

TEST_F(SettingsDialogLogicTest, ZeroTransparentShowsOneAndStaysZeroUntilMoved) {
  state->settings.transparent = 0;
  logic.ShowSettings();
  EXPECT_EQ(Position(DialogSlider::Transparent), 1);
  EXPECT_EQ(state->settings.transparent, 0);
  logic.SaveClicked();
  EXPECT_EQ(saved.back(), "12,4,0,33");

  controls.Drag(logic, DialogSlider::Transparent, 2);
  EXPECT_EQ(state->settings.transparent, 2);
  controls.Drag(logic, DialogSlider::Transparent, 1);
  EXPECT_EQ(state->settings.transparent, 1);
  EXPECT_EQ(saver.calls.size(), 3u);  // the timer at opening, then two restarts
}

TEST_F(SettingsDialogLogicTest, SizeAppliesTheDialogRuleAndRestartsOncePerChangedStep) {
  logic.ShowSettings();
  saver.calls.clear();

  controls.Drag(logic, DialogSlider::Size, 13);
  EXPECT_EQ(state->settings.size, 13);
  EXPECT_EQ(state->grid.cols, 17);
  EXPECT_EQ(state->grid.rows, 13);  // Round(12.75)
  EXPECT_EQ(state->grid.cell_width, 60);
  EXPECT_EQ(state->grid.cell_height, 60);
  EXPECT_EQ(state->grid.surface_width, 1024);

  // A drag notifies on every movement; only the ones that change the value restart.
  controls.Drag(logic, DialogSlider::Size, 13);
  controls.Drag(logic, DialogSlider::Size, 12);
  EXPECT_EQ(state->grid.cell_width, 56);  // 1024 div 18, one narrower than start-up's 57
  controls.Drag(logic, DialogSlider::Size, 12);
  controls.Drag(logic, DialogSlider::Size, 0);
  EXPECT_EQ(state->grid.cols, 30);
  EXPECT_EQ(state->grid.rows, 22);
  EXPECT_EQ(saver.calls, (Calls(3, "Restore fade=0 allowed=0 config=1")));
}

TEST_F(SettingsDialogLogicTest, AlgorithmRestartsAndRandomReplacesThePick) {
  logic.ShowSettings();
  saver.calls.clear();

  controls.Drag(logic, DialogSlider::Algorithm, 7);
  EXPECT_EQ(saver.calls, (Calls{"Restore fade=0 allowed=0 config=1"}));
  EXPECT_EQ(state->settings.algorithm, 3);  // the new cycle drew its own
  EXPECT_EQ(Position(DialogSlider::Algorithm), 7);

  controls.Click(logic, DialogCheckBox::RandomAlgorithm);
  EXPECT_FALSE(state->settings.random_algorithm);
  controls.Drag(logic, DialogSlider::Algorithm, 7);  // differs from the drawn 3: restarts
  EXPECT_EQ(state->settings.algorithm, 7);
  controls.Drag(logic, DialogSlider::Algorithm, 7);
  EXPECT_EQ(saver.calls.size(), 2u);
}

TEST_F(SettingsDialogLogicTest, FastSetsThePaceWithoutRestarting) {
  logic.ShowSettings();
  saver.calls.clear();
  controls.Drag(logic, DialogSlider::Fast, 50);
  controls.Drag(logic, DialogSlider::Fast, 0);
  controls.Drag(logic, DialogSlider::Fast, 0);
  EXPECT_EQ(state->settings.fast, 0);
  EXPECT_EQ(saver.calls, (Calls{"Timer 2", "Timer 102", "Timer 102"}));
}

TEST_F(SettingsDialogLogicTest, CheckBoxesWriteTheirSettingsOnly) {
  logic.ShowSettings();
  saver.calls.clear();
  controls.Click(logic, DialogCheckBox::KeyExit);
  EXPECT_FALSE(state->settings.exit_on_input);
  EXPECT_TRUE(state->settings.random_algorithm);
  controls.Click(logic, DialogCheckBox::KeyExit);
  EXPECT_TRUE(state->settings.exit_on_input);

  // Setting a box to the state it has is no click.
  state->settings.exit_on_input = false;
  logic.SetCheckBox(DialogCheckBox::KeyExit, true);
  EXPECT_FALSE(state->settings.exit_on_input);
  logic.SetCheckBox(DialogCheckBox::KeyExit, false);
  EXPECT_FALSE(state->settings.exit_on_input);
  EXPECT_TRUE(saver.calls.empty());
}

TEST_F(SettingsDialogLogicTest, FailedSaveLeavesTheDialogOpen) {
  SettingsDialogLogic failing(*state, saver, controls, [] { throw std::runtime_error("Failed to set data for 'Size'"); });
  failing.ShowSettings();
  EXPECT_THROW(failing.SaveClicked(), std::runtime_error);
  EXPECT_FALSE(failing.Closed());
  EXPECT_FALSE(state->close_allowed);
  EXPECT_EQ(saver.calls, (Calls{"Timer 36"}));
}

TEST_F(SettingsDialogLogicTest, EveryWayOfClosingReleasesRepaintsAndClosesTheSaverOnce) {
  const Calls closing{"Restore fade=2 allowed=1 config=1", "Close allowed=1"};
  logic.ShowSettings();
  saver.calls.clear();

  EXPECT_FALSE(logic.OnKeyDown(Key::kOther));
  EXPECT_TRUE(saver.calls.empty());
  EXPECT_TRUE(logic.OnKeyDown(Key::kEscape));
  logic.Close();  // what the window does for Esc and for its close box
  EXPECT_EQ(saver.calls, closing);
  EXPECT_TRUE(logic.Closed());

  // The saver going away can bring the dialog's own close after a "Close" press: no second pass.
  logic.CloseClicked();
  logic.Close();
  EXPECT_FALSE(logic.OnKeyDown(Key::kEscape));
  EXPECT_EQ(saver.calls, closing);

  SettingsDialogLogic other(*state, saver, controls, nullptr);
  saver.calls.clear();
  other.CloseClicked();
  EXPECT_EQ(saver.calls, closing);
}

}  // namespace
}  // namespace ambervale
