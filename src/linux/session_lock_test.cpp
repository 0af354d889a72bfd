#include "linux/session_lock.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

using Close = SessionLockModel::Close;
constexpr MonotonicTime kStart = std::chrono::seconds(100);
constexpr MonotonicTime kLate = kStart + SessionLockModel::kLockWait;

TEST(SessionLockModel, WithoutTheSettingACloseEndsAtOnceAndALockEndsTheSaver) {
  SessionLockModel plain(false);
  EXPECT_EQ(plain.CloseRequested(kStart), Close::kEnd);
  EXPECT_TRUE(plain.ShouldEnd());

  SessionLockModel locked(false);
  locked.Reported(LockSource::kGnomeScreenSaver, false);
  EXPECT_FALSE(locked.ShouldEnd());
  locked.Reported(LockSource::kFreedesktopScreenSaver, true);
  EXPECT_TRUE(locked.ShouldEnd());
  EXPECT_NE(locked.TakeNotice(), "");
}

// logind's Lock signal asks the lockers; the saver waits for one to report, else ends by the wait's end.
TEST(SessionLockModel, LogindsLockSignalEndsTheSaverOnceTheLockIsUpOrTheWaitIsOver) {
  SessionLockModel reported(false);
  reported.LockAsked(kStart);
  reported.TimePassed(kLate - std::chrono::milliseconds(1));
  EXPECT_FALSE(reported.ShouldEnd());
  reported.Reported(LockSource::kLogind, true);
  EXPECT_TRUE(reported.ShouldEnd());

  SessionLockModel silent(false);
  silent.LockAsked(kStart);
  EXPECT_EQ(silent.Deadline(), kLate);
  silent.TimePassed(kLate);
  EXPECT_TRUE(silent.ShouldEnd());
}

TEST(SessionLockModel, LockWhenItEndsEndsOnlyOnceALockIsReportedUp) {
  SessionLockModel model(true);
  EXPECT_EQ(model.CloseRequested(kStart), Close::kRequestLock);
  // logind's signal answering our own request, and more input meanwhile, change nothing.
  model.LockAsked(kStart + std::chrono::milliseconds(5));
  EXPECT_EQ(model.CloseRequested(kStart + std::chrono::seconds(1)), Close::kWait);
  model.Reported(LockSource::kLogind, false);
  model.TimePassed(kLate - std::chrono::milliseconds(1));
  EXPECT_FALSE(model.ShouldEnd());
  model.Reported(LockSource::kGnomeScreenSaver, true);
  EXPECT_TRUE(model.ShouldEnd());
}

// Nothing locked: the saver neither shows the unlocked desktop by itself nor keeps the user out.
TEST(SessionLockModel, LockWhenItEndsWithoutALockerStaysUntilTheNextInput) {
  SessionLockModel unanswered(true);
  ASSERT_EQ(unanswered.CloseRequested(kStart), Close::kRequestLock);
  unanswered.TimePassed(kLate);
  EXPECT_FALSE(unanswered.ShouldEnd());
  EXPECT_EQ(unanswered.Deadline(), std::nullopt);
  EXPECT_NE(unanswered.TakeNotice(), "");
  EXPECT_EQ(unanswered.TakeNotice(), "");
  EXPECT_EQ(unanswered.CloseRequested(kLate), Close::kEnd);
  EXPECT_TRUE(unanswered.ShouldEnd());

  SessionLockModel refused(true);
  ASSERT_EQ(refused.CloseRequested(kStart), Close::kRequestLock);
  refused.LockRequestRefused(kStart);
  EXPECT_FALSE(refused.ShouldEnd());
  EXPECT_NE(refused.TakeNotice(), "");
  // A lock that comes late still ends it.
  refused.Reported(LockSource::kFreedesktopScreenSaver, true);
  EXPECT_TRUE(refused.ShouldEnd());
}

// With the setting, a close during a lock that logind asked for waits for that lock: no second
// request, and the silent locker's wait ends in the saver staying, as for its own.
TEST(SessionLockModel, LockWhenItEndsJoinsALockAlreadyComing) {
  SessionLockModel model(true);
  model.LockAsked(kStart);
  EXPECT_EQ(model.CloseRequested(kStart + std::chrono::seconds(1)), Close::kWait);
  model.TimePassed(kLate);
  EXPECT_FALSE(model.ShouldEnd());
  EXPECT_EQ(model.CloseRequested(kLate), Close::kEnd);
}

TEST(SessionLockModel, AnySourceUpCounts) {
  SessionLockModel model(false);
  EXPECT_FALSE(model.AnyUp());
  model.Reported(LockSource::kLogind, true);
  model.Reported(LockSource::kGnomeScreenSaver, false);
  EXPECT_TRUE(model.AnyUp());
  model.Reported(LockSource::kLogind, false);
  EXPECT_FALSE(model.AnyUp());
}

}  // namespace
}  // namespace ambervale
