#include "toolkit/Registry.h"

#include <vector>

#include "toolkit/Error.h"

Registry::Registry(HKEY root, Opener opener) : root_(root), opener_(std::move(opener)) {
  if (!opener_)
    opener_ = [](HKEY r, const char* path, REGSAM access, HKEY* key) {
      return RegOpenKeyExA(r, path, 0, access, key);
    };
}

bool Registry::OpenKey(const std::string& path) {
  CloseKey();
  HKEY key = nullptr;
  LONG status = opener_(root_, path.c_str(), KEY_ALL_ACCESS | kView, &key);
  readOnly_ = false;
  if (status == ERROR_ACCESS_DENIED) {
    status = opener_(root_, path.c_str(), KEY_READ | kView, &key);
    readOnly_ = true;
  }
  if (status != ERROR_SUCCESS) {
    readOnly_ = false;
    return false;
  }
  key_.Reset(key);
  return true;
}

bool Registry::ValueExists(const std::string& name) const {
  return key_ && RegQueryValueExA(key_.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                     ERROR_SUCCESS;
}

std::string Registry::ReadString(const std::string& name) const {
  DWORD type = 0;
  DWORD size = 0;
  if (!key_ || RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw Error::Format("Invalid data type for '%s'", name.c_str());
  // The value may change between the two calls; retry with the new size.
  std::vector<char> data;
  LONG status;
  do {
    data.assign(size + 1, '\0');
    status = RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(data.data()), &size);
  } while (status == ERROR_MORE_DATA);
  if (status != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw Error::Format("Invalid data type for '%s'", name.c_str());
  // Stored text need not end in a terminator, nor stop at the first one.
  std::string text(data.data(), size);
  if (const size_t end = text.find('\0'); end != std::string::npos) text.resize(end);
  return text;
}

void Registry::WriteString(const std::string& name, const std::string& value) {
  if (!key_ || readOnly_ ||
      RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
    throw Error::Format("Failed to set data for '%s'", name.c_str());
}
