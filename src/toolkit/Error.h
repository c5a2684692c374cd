#pragma once
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>

// The one error type of the toolkit layers. Its text is shown, with a full
// stop added, by the application's general error report.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}

  // printf-style construction for the fixed texts ("Unable to write to %s").
  [[gnu::format(printf, 1, 2)]] static Error Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return Error(buffer);
  }
};
