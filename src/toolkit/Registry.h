#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/Handles.h"

// One open registry key under a root, read and written a value at a time.
class Registry {
 public:
  // How a key is opened; tests put a refusing opener in its place.
  using Opener = std::function<LONG(HKEY root, const char* path, REGSAM access, HKEY* key)>;

  explicit Registry(HKEY root, Opener opener = nullptr);

  // Opens an existing key, never creating it: with full access, and, where
  // the platform refuses that (a standard user under account control on
  // HKEY_LOCAL_MACHINE), for reading only. False when it cannot be opened.
  [[nodiscard]] bool OpenKey(const std::string& path);
  void CloseKey() { key_.Reset(); }
  bool IsOpen() const { return static_cast<bool>(key_); }
  // True when the key was opened for reading only.
  bool ReadOnly() const { return readOnly_; }

  // Keys are opened in the 32-bit view, where the game's 32-bit installer
  // writes its record: a 64-bit build of the tool sees the same record.
  static constexpr REGSAM kView = KEY_WOW64_32KEY;

  bool ValueExists(const std::string& name) const;
  // A REG_SZ or REG_EXPAND_SZ value, unexpanded. Any other type throws
  // "Invalid data type for '<name>'".
  std::string ReadString(const std::string& name) const;
  // Writes a REG_SZ value; throws "Failed to set data for '<name>'".
  void WriteString(const std::string& name, const std::string& value);

 private:
  HKEY root_;
  Opener opener_;
  RegKey key_;
  bool readOnly_ = false;
};
