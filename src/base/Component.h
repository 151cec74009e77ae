// The base of the components of the network and message code: free notifications, status
// texts and work brackets.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qp {

// A component with a name and a free-notification list. A component that refers to
// another one it does not own registers with FreeNotification and is told through
// Notification when that one is destroyed, so it can clear its pointer. Used on one thread.
class TBaseComponent {
 public:
  TBaseComponent() = default;
  virtual ~TBaseComponent();
  TBaseComponent(const TBaseComponent&) = delete;
  TBaseComponent& operator=(const TBaseComponent&) = delete;

  std::string Name;

  // Registers this component and other with each other: whichever is destroyed first has
  // the other's Notification called, so the survivor can clear its pointer.
  void FreeNotification(TBaseComponent* other);
  // Undoes FreeNotification in both directions, so neither keeps a pointer to the other.
  void RemoveFreeNotification(TBaseComponent* other);

 protected:
  // Called on every registered component when component is being destroyed.
  virtual void Notification(TBaseComponent* component) { (void)component; }

 private:
  void Forget(TBaseComponent* other);
  std::vector<TBaseComponent*> FFreeNotifies;
};

enum TWorkMode { WorkRead = 0, WorkWrite = 1 };

enum TStatus {
  StatusResolving,
  StatusConnecting,
  StatusConnected,
  StatusDisconnecting,
  StatusDisconnected,
  StatusFreeText
};

class TComponent;

using TStatusEvent =
    std::function<void(TComponent& ASender, TStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent =
    std::function<void(TComponent& Sender, TWorkMode AWorkMode, int AWorkCountMax)>;
using TWorkEvent = std::function<void(TComponent& Sender, TWorkMode AWorkMode, int AWorkCount)>;
using TWorkEndEvent = std::function<void(TComponent& Sender, TWorkMode AWorkMode)>;
using TNotifyEvent = std::function<void(TComponent& Sender)>;

// The component base: reports status texts and nested work brackets per direction. Owned by
// whoever creates it; used on that one thread. (The transport components also keep the
// socket stack alive; see net/Stack.h.)
class TComponent : public TBaseComponent {
 public:
  TStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  // Work brackets: only the outermost bracket of a direction fires OnWorkBegin and
  // OnWorkEnd, and its maximum stands; AdvanceWork outside any bracket does nothing.
  virtual void StartWork(TWorkMode mode, int max);
  virtual void AdvanceWork(TWorkMode mode, int count);
  virtual void FinishWork(TWorkMode mode);

  // Formats the status's text with the argument and fires OnStatus.
  void ReportStatus(TStatus status, const std::string& argument = "");
  static std::string StatusText(TStatus status, const std::string& argument);

 private:
  struct TWorkInfo {
    int32_t Current = 0;
    int32_t Max = 0;
    int32_t Level = 0;
  };
  TWorkInfo FWorkInfos[2];
};

}  // namespace qp
