#include "base/Component.h"

#include <algorithm>

#include "base/SysUtils.h"

namespace qp {

TBaseComponent::~TBaseComponent() {
  // Copy first: a notified component may unregister itself while we walk the list.
  const std::vector<TBaseComponent*> notifies = FFreeNotifies;
  FFreeNotifies.clear();
  for (TBaseComponent* other : notifies) {
    other->Forget(this);
    other->Notification(this);
  }
}

void TBaseComponent::FreeNotification(TBaseComponent* other) {
  if (other == nullptr || other == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(other);
    // Mutual, so whichever dies first leaves no dangling entry in the other.
    other->FreeNotification(this);
  }
}

void TBaseComponent::RemoveFreeNotification(TBaseComponent* other) {
  if (other == nullptr || other == this) return;
  // Both directions: an entry left behind in other would be walked by its destructor after
  // this component is gone (or the other way round).
  Forget(other);
  other->Forget(this);
}

void TBaseComponent::Forget(TBaseComponent* other) {
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), other),
                      FFreeNotifies.end());
}

void TComponent::StartWork(TWorkMode mode, int max) {
  TWorkInfo& info = FWorkInfos[mode];
  ++info.Level;
  if (info.Level == 1) {
    info.Max = max;
    info.Current = 0;
    if (OnWorkBegin) OnWorkBegin(*this, mode, max);
  }
}

void TComponent::AdvanceWork(TWorkMode mode, int count) {
  TWorkInfo& info = FWorkInfos[mode];
  if (info.Level < 1) return;
  // Wraps like the 32-bit counter it mirrors instead of overflowing into undefined behaviour.
  info.Current =
      static_cast<int32_t>(static_cast<uint32_t>(info.Current) + static_cast<uint32_t>(count));
  if (OnWork) OnWork(*this, mode, info.Current);
}

void TComponent::FinishWork(TWorkMode mode) {
  TWorkInfo& info = FWorkInfos[mode];
  if (info.Level == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
  if (info.Level > 0) --info.Level;
}

std::string TComponent::StatusText(TStatus status, const std::string& argument) {
  switch (status) {
    case StatusResolving:
      return Format("Resolving hostname %s.", argument.c_str());
    case StatusConnecting:
      return Format("Connecting to %s.", argument.c_str());
    case StatusConnected:
      return "Connected.";
    case StatusDisconnecting:
      return "Disconnecting.";
    case StatusDisconnected:
      return "Disconnected.";
    case StatusFreeText:
      return argument;
  }
  return argument;
}

void TComponent::ReportStatus(TStatus status, const std::string& argument) {
  if (OnStatus) OnStatus(*this, status, StatusText(status, argument));
}

}  // namespace qp
