#pragma once
// The text of the WMI double's configuration and log files is UTF-8: the conversions that
// the double and the tests writing its configuration and reading its log share.
#include <windows.h>

#include <string>

namespace wmi_double {

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

namespace detail {

inline bool DecodeUtf8(const std::string& bytes, DWORD flags, std::wstring& text) {
  text.clear();
  if (bytes.empty()) return true;
  const int size = MultiByteToWideChar(CP_UTF8, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return false;
  text.resize(static_cast<std::size_t>(size));
  MultiByteToWideChar(CP_UTF8, flags, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return true;
}

}  // namespace detail

// Strict: false, and no text, when the bytes are not UTF-8. The double refuses such a
// configuration rather than serve printer names other than those written.
inline bool FromUtf8(const std::string& bytes, std::wstring& text) {
  return detail::DecodeUtf8(bytes, MB_ERR_INVALID_CHARS, text);
}

// Lenient: bytes that are not UTF-8 become U+FFFD, so a log cut or garbled still reads and
// the test that reads it reports what is wrong with its entries.
inline std::wstring FromUtf8Lenient(const std::string& bytes) {
  std::wstring text;
  detail::DecodeUtf8(bytes, 0, text);
  return text;
}

}  // namespace wmi_double
