#pragma once

// The texts of the Windows tape errors: a long text for the operator and a short name, for the codes
// the tape functions, ReadFile and WriteFile answer for a tape.

#include <string>

#include "platform/winapi.h"

namespace rb {

struct TapeErrorText {
  win::DWORD code;
  const char* text;
  const char* name;
};

// The entry of a tape error; null for a code that is none.
const TapeErrorText* FindTapeError(win::DWORD code);

// The long text (translated); the system's message for a code that is no tape error.
std::string TapeErrorLongText(win::DWORD code);
// The short name (translated); "Error n" for a code that is no tape error.
std::string TapeErrorName(win::DWORD code);

}  // namespace rb
