#include "net/AntiFreeze.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace qp::net {

namespace {

// Read from any thread (a network call on another thread must see "not in use").
std::atomic<TAntiFreezeBase*> gCurrent{nullptr};
std::atomic<std::thread::id> gMainThread{std::thread::id()};
std::mutex gPumpLock;
std::function<void(bool)> gPump;

}  // namespace

TAntiFreezeBase::TAntiFreezeBase() {
  gCurrent.store(this);
}

TAntiFreezeBase::~TAntiFreezeBase() {
  gCurrent.store(nullptr);
}

void TAntiFreeze::Process(bool allPending) {
  std::function<void(bool)> pump;
  {
    std::lock_guard<std::mutex> lock(gPumpLock);
    pump = gPump;
  }
  if (pump) pump(allPending);
}

TAntiFreezeBase* CurrentAntiFreeze() {
  return gCurrent.load();
}

bool AntiFreezeInUse() {
  if (std::this_thread::get_id() != gMainThread.load()) return false;
  TAntiFreezeBase* current = gCurrent.load();
  return current != nullptr && current->Active;
}

void PumpIfDue(bool idle, bool override) {
  if (!AntiFreezeInUse()) return;
  if (idle || !gCurrent.load()->OnlyWhenIdle || override) PumpMessages();
}

void PumpAfterWait(bool readable) {
  if (!AntiFreezeInUse()) return;
  TAntiFreezeBase* current = gCurrent.load();
  if (!readable || !current->OnlyWhenIdle) {
    PumpMessages();
    return;
  }
  const auto interval = std::chrono::milliseconds(std::max(0, current->BusyPumpInterval));
  if (current->Now() - current->LastPump() >= interval) PumpMessages();
}

void PumpMessages() {
  TAntiFreezeBase* current = gCurrent.load();
  if (current == nullptr) return;
  current->Process(current->ApplicationHasPriority);
  // A handler run by the pump may have replaced or freed the anti-freeze meanwhile.
  if (gCurrent.load() == current) current->FLastPump = current->Now();
}

void SetAntiFreezePump(std::function<void(bool allPending)> pump) {
  std::lock_guard<std::mutex> lock(gPumpLock);
  gPump = std::move(pump);
}

void RecordMainThread() {
  gMainThread.store(std::this_thread::get_id());
}

}  // namespace qp::net
