#include "toolkit/SystemLibrary.h"

#include <string>

#include "toolkit/Error.h"

namespace {

// Only from the system folder: a library of the same name beside the
// program or in the current directory is never taken for it.
HMODULE LoadSystemLibrary(const char* library) {
  if (HMODULE loaded = GetModuleHandleA(library)) return loaded;
  if (HMODULE loaded = LoadLibraryExA(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return loaded;
  // Systems without the search flag refuse it as an invalid parameter; the
  // full path does the same there.
  if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
  char folder[MAX_PATH];
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryA((std::string(folder, length) + "\\" + library).c_str());
}

}  // namespace

FARPROC SystemProcAddress(const char* library, const char* name) {
  HMODULE module = LoadSystemLibrary(library);
  if (!module) throw Error::Format("Unable to load %s (error %lu)", library, GetLastError());
  FARPROC proc = GetProcAddress(module, name);
  if (!proc) throw Error::Format("%s has no function %s", library, name);
  return proc;
}
