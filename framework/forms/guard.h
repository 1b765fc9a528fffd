// The exception boundary. Nothing may unwind through a Win32 frame (the i686 runtime cannot
// unwind through them at all), so every callback the system calls runs its body inside Guard:
// an exception ends the body, is reported through Application::HandleException (the standard
// exception message) and the callback returns its fallback value.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace forms {

// Reports the exception being handled; call only inside a catch block.
void ReportCurrentException() noexcept;
// The text an exception shows in the standard exception message.
std::string ExceptionText(std::exception_ptr error);

// Starts a thread whose body runs inside the boundary; the handle is the caller's to close.
void* CreateGuardedThread(std::function<void()> body, unsigned long* threadId = nullptr);

template <class F>
void Guard(F&& body) noexcept {
  try {
    std::forward<F>(body)();
  } catch (...) {
    ReportCurrentException();
  }
}

template <class R, class F>
R Guard(R fallback, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (...) {
    ReportCurrentException();
    return fallback;
  }
}

}  // namespace forms
