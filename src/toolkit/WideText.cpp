#include "toolkit/WideText.h"

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)), L'\0');
  wide.resize(static_cast<size_t>(
      MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()))));
  return wide;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string narrow(
      static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
  narrow.resize(static_cast<size_t>(WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(),
                                                        static_cast<int>(narrow.size()), nullptr, nullptr)));
  return narrow;
}
