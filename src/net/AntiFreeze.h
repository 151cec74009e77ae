// The anti-freeze: the process-wide policy that lets the window system process its pending
// events while the UI thread is blocked in a network wait. The window layer installs the
// actual pump (SetAntiFreezePump) and records its thread (RecordMainThread); this layer
// knows nothing of the toolkit.
#pragma once

#include <chrono>
#include <functional>

#include "base/Component.h"

namespace qp::net {

// Settings of the anti-freeze. Creating an instance makes it the current one; destroying
// any instance clears the current one. Owned by the main window; used on the UI thread.
class TAntiFreezeBase : public TBaseComponent {
 public:
  TAntiFreezeBase();
  ~TAntiFreezeBase() override;

  bool Active = true;
  // Process every pending event (true) or at most one (false).
  bool ApplicationHasPriority = true;
  // Longest single wait for data, in ms, while the anti-freeze is in use.
  int IdleTimeOut = 250;
  // Pump only when a wait ended without data.
  bool OnlyWhenIdle = true;
  // While data keeps arriving, waits that found data pump too once this many ms have passed
  // since the last pump, so a long transfer never holds the window's events back for longer.
  int BusyPumpInterval = 100;

  // Lets the window system process pending events: all of them, or at most one.
  virtual void Process(bool allPending) = 0;
  // The clock BusyPumpInterval is measured with.
  virtual std::chrono::steady_clock::time_point Now() const {
    return std::chrono::steady_clock::now();
  }
  // When PumpMessages last let the window system process its events.
  std::chrono::steady_clock::time_point LastPump() const { return FLastPump; }

 private:
  friend void PumpMessages();
  std::chrono::steady_clock::time_point FLastPump{};
};

// The anti-freeze of the program: pumps through the function the window layer installed.
class TAntiFreeze : public TAntiFreezeBase {
 public:
  void Process(bool allPending) override;
};

// The current anti-freeze, or nullptr.
TAntiFreezeBase* CurrentAntiFreeze();

// A current anti-freeze exists, it is Active and the caller is the recorded main thread.
bool AntiFreezeInUse();
// Pumps when the anti-freeze is in use and (idle, or not OnlyWhenIdle, or override).
void PumpIfDue(bool idle, bool override);
// After a wait for data: pumps as PumpIfDue(!readable, false) does, and also when data did
// arrive but BusyPumpInterval has passed since the last pump.
void PumpAfterWait(bool readable);
// Pumps all pending events (ApplicationHasPriority) or at most one.
void PumpMessages();

// Installed once by the window layer; called with true for all pending events.
void SetAntiFreezePump(std::function<void(bool allPending)> pump);
// Records the calling thread as the main (UI) thread; call at start-up.
void RecordMainThread();

}  // namespace qp::net
