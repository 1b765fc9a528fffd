#include "forms/guard.h"

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

void ReportCurrentException() noexcept {
  try {
    const std::string text = ExceptionText(std::current_exception());
    Application::Instance().HandleException(text);
  } catch (...) {
    // The report itself failed (out of memory): nothing more can be said safely.
  }
}

}  // namespace forms
