#include "gtk_settings/screensaver_switch.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

// The entry and the running watchers as minutes; the watchers as the instance lock keeps them:
// a stop ends every one.
struct FakeSession : WatcherSide {
  int entry = 0;
  std::vector<int> watchers;
  std::string write_error;
  std::string start_error;

  std::string WriteAutostart(int minutes) override {
    if (write_error.empty()) entry = minutes;
    return write_error;
  }
  std::string StopWatcher() override {
    watchers.clear();
    return {};
  }
  std::string StartWatcher(int minutes) override {
    if (start_error.empty()) watchers.push_back(minutes);
    return start_error;
  }
};

TEST(ScreensaverSwitch, OnStartsOneWatcherNewMinutesRestartItAndOffStopsIt) {
  FakeSession session;
  ScreensaverSwitch screensaver(session, 0);
  EXPECT_FALSE(screensaver.On());
  EXPECT_EQ(screensaver.Report(), "Off");

  screensaver.Turn(true);
  screensaver.Turn(true);  // again: still one watcher
  EXPECT_EQ(session.entry, ScreensaverSwitch::kDefaultMinutes);
  EXPECT_EQ(session.watchers, std::vector<int>{ScreensaverSwitch::kDefaultMinutes});
  EXPECT_EQ(screensaver.Report(), "On: starts after 5 minutes idle");

  screensaver.SetMinutes(1);
  EXPECT_EQ(session.entry, 1);
  EXPECT_EQ(session.watchers, std::vector<int>{1});
  EXPECT_EQ(screensaver.Report(), "On: starts after 1 minute idle");

  screensaver.Turn(false);
  EXPECT_EQ(session.entry, 0);
  EXPECT_TRUE(session.watchers.empty());
  EXPECT_EQ(screensaver.Report(), "Off");

  // Minutes set while off wait for the switch.
  screensaver.SetMinutes(20);
  EXPECT_TRUE(session.watchers.empty());
  screensaver.Turn(true);
  EXPECT_EQ(session.watchers, std::vector<int>{20});
}

TEST(ScreensaverSwitch, OpensAsTheEntryHoldsItWithoutTouchingTheWatcher) {
  FakeSession session;
  session.watchers = {15};
  const ScreensaverSwitch stored(session, 15);
  EXPECT_TRUE(stored.On());
  EXPECT_EQ(stored.Minutes(), 15);
  EXPECT_EQ(session.watchers, std::vector<int>{15});
  EXPECT_EQ(ScreensaverSwitch(session, 100000).Minutes(), ScreensaverSwitch::kMaxMinutes);
}

TEST(ScreensaverSwitch, AFailureIsReportedAndTheSwitchShowsWhatTheEntryHolds) {
  FakeSession session;
  ScreensaverSwitch screensaver(session, 5);
  session.write_error = "disk full";
  screensaver.SetMinutes(9);
  screensaver.Turn(false);
  EXPECT_TRUE(screensaver.On());
  EXPECT_EQ(screensaver.Minutes(), 5);
  EXPECT_TRUE(screensaver.Problem());
  EXPECT_EQ(screensaver.Report(), "Not changed: disk full");

  // The entry is written, the watcher not started: on from the next login.
  session.write_error.clear();
  session.start_error = "cannot start ambervale-wayland";
  screensaver.SetMinutes(9);
  EXPECT_EQ(session.entry, 9);
  EXPECT_TRUE(screensaver.Problem());
  EXPECT_EQ(screensaver.Report(), "On from the next login, not now: cannot start ambervale-wayland");
  session.start_error.clear();
  screensaver.Turn(true);
  EXPECT_FALSE(screensaver.Problem());
}

}  // namespace
}  // namespace ambervale
