// The program's exception family: every error carries its finished message text, formatted
// from a fixed pattern, so the default error handler can show it as it is.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace ambervale {

// printf-style formatting into a std::string (the patterns are the program's own constants).
[[gnu::format(printf, 1, 2)]] inline std::string Format(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  char small[256];
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(small, sizeof small, pattern, copy);
  va_end(copy);
  std::string text;
  if (needed < 0) {
    text = pattern;
  } else if (static_cast<size_t>(needed) < sizeof small) {
    text.assign(small, static_cast<size_t>(needed));
  } else {
    text.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), pattern, args);
    text.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  return text;
}

class AmbervaleError : public std::runtime_error {
 public:
  explicit AmbervaleError(const std::string& message) : std::runtime_error(message) {}
};

// Pixel surface misuse: a row index outside the surface, an unsupported bit count.
class InvalidGraphicOperation : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

// A drawing surface the graphics could not make, or a draw they refused: the run ends with the
// message instead of showing a screen that silently stays blank. Each host reports it its own
// way (a message box on Windows; stderr and exit status 1 on Linux).
class DrawingFailure : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

// The platform could not make a graphics object ("DIB cannot be made").
class OutOfResources : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

// The JPEG decoder rejected a picture ("JPEG error #%d").
class JpegError : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

// The settings store could not read or write a registry value.
class RegistryError : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

// A command-line text that is not an integer ("'%s' is not a valid integer value").
class ConvertError : public AmbervaleError {
 public:
  using AmbervaleError::AmbervaleError;
};

}  // namespace ambervale
