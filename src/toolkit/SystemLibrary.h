#pragma once
#include <windows.h>

// Functions of the system libraries the program needs only once the user
// opens a file or folder dialog or starts the game: comdlg32, shell32 and
// ole32, with the dozen libraries they bring in. Imported directly, all of
// them would be loaded at every start for windows that may never open; here
// a library is loaded from the system folder the first time one of its
// functions is asked for, and stays loaded.

// The address of `name` in `library`; throws Error when the library cannot
// be loaded or does not export it.
FARPROC SystemProcAddress(const char* library, const char* name);

// The same, typed: SystemProc<decltype(GetOpenFileNameA)>("comdlg32.dll",
// "GetOpenFileNameA").
template <typename Function>
Function* SystemProc(const char* library, const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemProcAddress(library, name)));
}
