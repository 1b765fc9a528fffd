#include "forms/timer.h"

namespace forms {

namespace {
UINT_PTR NextTimerId() {
  static UINT_PTR next = 1;
  return next++;
}
}  // namespace

Timer::Timer(Component* owner, unsigned interval, bool enabled)
    : Component(owner), interval_(interval), enabled_(enabled), id_(NextTimerId()) {
  Application::Instance().AddTimer(id_, this);
}

Timer::~Timer() {
  if (running_) KillTimer(Application::Instance().Handle(), id_);
  Application::Instance().RemoveTimer(id_);
}

void Timer::SetInterval(unsigned interval) {
  interval_ = interval;
  Update();
}

void Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Update();
}

void Timer::SetOnTimer(NotifyEvent handler) {
  onTimer_ = std::move(handler);
  Update();
}

void Timer::Update() {
  HWND window = Application::Instance().Handle();
  if (running_) KillTimer(window, id_);
  running_ = false;
  if (enabled_ && interval_ > 0 && onTimer_)
    running_ = SetTimer(window, id_, interval_, nullptr) != 0;
}

void Timer::Fire() {
  if (onTimer_) {
    auto handler = onTimer_;  // the handler may replace itself
    handler(*this);
  }
}

}  // namespace forms
