// The base of every transport component: status and work events, and the reference that
// keeps the process-wide socket stack alive.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qp {

// A component with a name and a free-notification list. A component that refers to
// another one it does not own registers with FreeNotification and is told through
// Notification when that one is destroyed, so it can clear its pointer. Used on one thread.
class TIdBaseComponent {
 public:
  TIdBaseComponent() = default;
  virtual ~TIdBaseComponent();
  TIdBaseComponent(const TIdBaseComponent&) = delete;
  TIdBaseComponent& operator=(const TIdBaseComponent&) = delete;

  std::string Name;

  // Asks that other's Notification be called when this component is destroyed.
  void FreeNotification(TIdBaseComponent* other);
  void RemoveFreeNotification(TIdBaseComponent* other);

 protected:
  // Called on every registered component when component is being destroyed.
  virtual void Notification(TIdBaseComponent* component) { (void)component; }

 private:
  std::vector<TIdBaseComponent*> FFreeNotifies;
};

enum TWorkMode { WorkRead = 0, WorkWrite = 1 };

enum TIdStatus {
  StatusResolving,
  StatusConnecting,
  StatusConnected,
  StatusDisconnecting,
  StatusDisconnected,
  StatusFreeText
};

class TIdComponent;

using TIdStatusEvent =
    std::function<void(TIdComponent& ASender, TIdStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent =
    std::function<void(TIdComponent& Sender, TWorkMode AWorkMode, int AWorkCountMax)>;
using TWorkEvent = std::function<void(TIdComponent& Sender, TWorkMode AWorkMode, int AWorkCount)>;
using TWorkEndEvent = std::function<void(TIdComponent& Sender, TWorkMode AWorkMode)>;
using TIdNotifyEvent = std::function<void(TIdComponent& Sender)>;

// The transport component base: reports status texts and nested work brackets per
// direction. Every instance keeps the socket stack alive for its lifetime. Owned by
// whoever creates it; used on that one thread.
class TIdComponent : public TIdBaseComponent {
 public:
  TIdComponent();
  ~TIdComponent() override;

  TIdStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  // Work brackets: only the outermost bracket of a direction fires OnWorkBegin and
  // OnWorkEnd, and its maximum stands; AdvanceWork outside any bracket does nothing.
  virtual void StartWork(TWorkMode mode, int max);
  virtual void AdvanceWork(TWorkMode mode, int count);
  virtual void FinishWork(TWorkMode mode);

  // Formats the status's text with the argument and fires OnStatus.
  void ReportStatus(TIdStatus status, const std::string& argument = "");
  static std::string StatusText(TIdStatus status, const std::string& argument);

 private:
  struct TWorkInfo {
    int32_t Current = 0;
    int32_t Max = 0;
    int32_t Level = 0;
  };
  TWorkInfo FWorkInfos[2];
};

}  // namespace qp
