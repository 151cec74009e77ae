#include "net/AntiFreeze.h"

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

void PumpMessages() {
  TAntiFreezeBase* current = gCurrent.load();
  if (current != nullptr) current->Process(current->ApplicationHasPriority);
}

void SetAntiFreezePump(std::function<void(bool allPending)> pump) {
  std::lock_guard<std::mutex> lock(gPumpLock);
  gPump = std::move(pump);
}

void RecordMainThread() {
  gMainThread.store(std::this_thread::get_id());
}

}  // namespace qp::net
