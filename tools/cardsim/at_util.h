// Text helpers shared by the AT engine's command families. Internal to cardsim.
#pragma once

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <string>

namespace cardsim {
namespace at {

using Clock = std::chrono::steady_clock;

inline constexpr char kCrLf[] = "\r\n";
inline constexpr size_t kMaxLine = 1024;  // longest command line kept; longer is refused
inline constexpr uint8_t kVideoProbe[11] = {0x41, 0x54, 0, 0, 0x03, 0, 0, 0, 0, 0, 0};

inline std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

inline std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

inline bool ParseInt(const std::string& s, int* value) {
  std::string t = Trim(s);
  if (t.empty() || t.size() > 9) return false;
  size_t i = (t[0] == '-') ? 1 : 0;
  if (i == t.size()) return false;
  int v = 0;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    v = v * 10 + (t[i] - '0');
  }
  *value = t[0] == '-' ? -v : v;
  return true;
}

inline bool IsDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

inline bool IsDialChars(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#' || c == '+';
  });
}

inline std::string Line(const std::string& text) { return std::string(kCrLf) + text + kCrLf; }

inline constexpr const char* kOk = "\r\nOK\r\n";
inline constexpr const char* kError = "\r\nERROR\r\n";

inline std::string CmsError(int code) { return Line("+CMS ERROR: " + std::to_string(code)); }

inline const char* CmeText(int code) {
  switch (code) {
    case 3:
      return "operation not allowed";
    case 4:
      return "operation not supported";
    case 10:
      return "SIM not inserted";
    case 11:
      return "SIM PIN required";
    case 12:
      return "SIM PUK required";
    case 13:
      return "SIM failure";
    case 16:
      return "incorrect password";
    case 17:
      return "SIM PIN2 required";
    case 18:
      return "SIM PUK2 required";
    case 20:
      return "memory full";
    case 21:
      return "invalid index";
    case 22:
      return "not found";
    case 24:
      return "text string too long";
    case 26:
      return "dial string too long";
    case 27:
      return "invalid characters in dial string";
    case 30:
      return "no network service";
    case 50:
      return "incorrect parameters";
    default:
      return "unknown";
  }
}

inline constexpr const char* kLockTypes[5] = {"NW", "NS", "SP", "CP", "SIM"};

inline int LockTypeIndex(const std::string& name) {
  for (int i = 0; i < 5; ++i)
    if (Upper(name) == kLockTypes[i]) return i;
  return -1;
}

inline bool IsRegistered(int stat) { return stat == 1 || stat == 5; }

// Tag codes of AT+CMGWT (SIM EF-SMS status values) to 27.005 <stat>.
inline int StatFromTagCode(int code) {
  switch (code) {
    case 3:
      return 0;
    case 1:
      return 1;
    case 7:
      return 2;
    case 5:
      return 3;
    case 4:
      return 2;  // draft
    default:
      return -1;
  }
}

inline std::string Num(int v) { return std::to_string(v); }

}  // namespace at
}  // namespace cardsim
