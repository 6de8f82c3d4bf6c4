#include "update/reporter.h"

#include <exception>

#include "log/log.h"

namespace vup {

void Reporter::line(std::string_view text) {
  write_log_line(text);
  view_.line(text);
}

void Reporter::notice(NoticeCode code, std::string_view text) { view_.notice(code, text); }

Outcome Reporter::stop(int code, std::string message) {
  write_log_line("STOPPED (" + std::to_string(code) + "): " + message);
  return Outcome{code, std::move(message)};
}

Outcome unexpected_error_outcome(const char* prefix) noexcept {
  try {
    std::string message = prefix;
    try {
      throw;
    } catch (const std::exception& e) {
      message += ": ";
      message += e.what();
    } catch (...) {
    }
    write_log_line("STOPPED (" + std::to_string(code_unexpected) + "): " + message);
    return Outcome{code_unexpected, std::move(message)};
  } catch (...) {
    return Outcome{code_unexpected, {}};
  }
}

}  // namespace vup
