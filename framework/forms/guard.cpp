#include "forms/guard.h"

#include <windows.h>

#include <stdexcept>

#include "forms/application.h"

namespace forms {

std::string ExceptionText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

namespace {

DWORD WINAPI GuardedThreadStart(LPVOID parameter) {
  auto* body = static_cast<std::function<void()>*>(parameter);
  Guard([&] { (*body)(); });
  delete body;
  return 0;
}

}  // namespace

void* CreateGuardedThread(std::function<void()> body, unsigned long* threadId) {
  auto* owned = new std::function<void()>(std::move(body));
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, GuardedThreadStart, owned, 0, &id);
  if (thread == nullptr) {
    delete owned;
    return nullptr;
  }
  if (threadId != nullptr) *threadId = id;
  return thread;
}

void ReportCurrentException() noexcept {
  try {
    const std::string text = ExceptionText(std::current_exception());
    Application::Instance().HandleException(text);
  } catch (...) {
    // The report itself failed (out of memory): nothing more can be said safely.
  }
}

}  // namespace forms
