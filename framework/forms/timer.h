// A timer firing OnTimer every Interval milliseconds while Enabled (and OnTimer is set).
#pragma once

#include <windows.h>

#include "forms/control.h"

namespace forms {

class Timer : public Component {
 public:
  explicit Timer(Component* owner, unsigned interval = 1000, bool enabled = true);
  ~Timer() override;
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void SetOnTimer(NotifyEvent handler);
  // Runs OnTimer (the application's timer window calls it).
  void Fire();

 private:
  void Update();
  unsigned interval_;
  bool enabled_;
  NotifyEvent onTimer_;
  UINT_PTR id_;
  bool running_ = false;
};

}  // namespace forms
