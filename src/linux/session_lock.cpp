#include "linux/session_lock.h"

#include <algorithm>
#include <iterator>

namespace ambervale {

const char* LockSourceName(LockSource source) {
  switch (source) {
    case LockSource::kGnomeScreenSaver: return "org.gnome.ScreenSaver";
    case LockSource::kFreedesktopScreenSaver: return "org.freedesktop.ScreenSaver";
    default: return "logind";
  }
}

void SessionLockModel::Reported(LockSource source, bool up) {
  up_[static_cast<size_t>(source)] = up;
  if (up) End(std::string("the session is locked or blanked (") + LockSourceName(source) + "): the saver ends");
}

void SessionLockModel::LockAsked(MonotonicTime now) {
  if (phase_ != Phase::kShowing) return;  // ours, or already decided
  phase_ = Phase::kLockComing;
  deadline_ = now + kLockWait;
}

SessionLockModel::Close SessionLockModel::CloseRequested(MonotonicTime now) {
  switch (phase_) {
    case Phase::kEnded: return Close::kEnd;
    case Phase::kLockAsked: return Close::kWait;
    case Phase::kUnconfirmed: End({}); return Close::kEnd;
    case Phase::kLockComing:
      // A lock is on its way already: with the setting, the close waits for it as for ours.
      if (!lock_when_it_ends_) break;
      phase_ = Phase::kLockAsked;
      return Close::kWait;
    case Phase::kShowing:
      if (!lock_when_it_ends_) break;
      phase_ = Phase::kLockAsked;
      deadline_ = now + kLockWait;
      return Close::kRequestLock;
  }
  End({});
  return Close::kEnd;
}

void SessionLockModel::LockRequestRefused(MonotonicTime) {
  if (phase_ != Phase::kLockAsked) return;
  phase_ = Phase::kUnconfirmed;
  notice_ = "nothing locks this session: the saver stays; the next key, click or touch ends it without a lock";
}

void SessionLockModel::TimePassed(MonotonicTime now) {
  if (now < deadline_) return;
  if (phase_ == Phase::kLockComing) {
    End("the session was asked to lock: the saver ends");
  } else if (phase_ == Phase::kLockAsked) {
    phase_ = Phase::kUnconfirmed;
    notice_ = "no lock screen was reported within " +
              std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kLockWait).count()) +
              " s: the saver stays; the next key, click or touch ends it without a lock";
  }
}

std::optional<MonotonicTime> SessionLockModel::Deadline() const {
  if (phase_ == Phase::kLockComing || phase_ == Phase::kLockAsked) return deadline_;
  return std::nullopt;
}

bool SessionLockModel::AnyUp() const {
  return std::any_of(std::begin(up_), std::end(up_), [](bool up) { return up; });
}

void SessionLockModel::End(std::string notice) {
  if (phase_ == Phase::kEnded) return;
  phase_ = Phase::kEnded;
  notice_ = std::move(notice);
}

}  // namespace ambervale
