// The client's 8-bit code page through iconv. The code page is named by
// MODLINK_CODEPAGE, else taken from the locale variables, else UTF-8. Each
// thread keeps its own conversion descriptors (iconv_t is not thread-safe).
#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace plat {
namespace {

std::string CodesetFromLocale() {
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v == nullptr || *v == '\0') continue;
    // language_TERRITORY.codeset@modifier
    const char* dot = std::strchr(v, '.');
    if (dot == nullptr) return std::string();
    std::string cs(dot + 1);
    size_t at = cs.find('@');
    if (at != std::string::npos) cs.resize(at);
    return cs;
  }
  return std::string();
}

const std::string& CodePage() {
  static const std::string name = [] {
    const char* v = std::getenv("MODLINK_CODEPAGE");
    std::string cp = (v && *v) ? v : CodesetFromLocale();
    if (cp.empty()) cp = "UTF-8";
    // Refuse a name iconv does not know rather than failing every call.
    iconv_t probe = iconv_open("UTF-16LE", cp.c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return std::string("UTF-8");
    iconv_close(probe);
    return cp;
  }();
  return name;
}

struct Converter {
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  Converter(const char* to, const char* from) { cd = iconv_open(to, from); }
  ~Converter() {
    if (ok()) iconv_close(cd);
  }
  bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
  void ResetState() {
    if (ok()) iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
};

Converter& ToUtf16() {
  thread_local Converter c("UTF-16LE", CodePage().c_str());
  return c;
}

Converter& FromUtf16() {
  thread_local Converter c(CodePage().c_str(), "UTF-16LE");
  return c;
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

const char* AnsiCodePageName() { return CodePage().c_str(); }

size_t AnsiToUtf16(const char* src, size_t srcLen, char16_t* dst,
                   size_t dstCap) {
  if (src == nullptr || dst == nullptr || dstCap == 0 || srcLen == 0) return 0;
  Converter& conv = ToUtf16();
  size_t written = 0;
  auto put = [&](const char16_t* units, size_t n) {
    if (written + n > dstCap) return false;
    for (size_t i = 0; i < n; ++i) dst[written++] = units[i];
    return true;
  };
  if (!conv.ok()) {
    // No converter at all: keep ASCII, mark the rest.
    for (size_t i = 0; i < srcLen; ++i) {
      const auto b = static_cast<unsigned char>(src[i]);
      const char16_t u = b < 0x80 ? b : u'?';
      if (!put(&u, 1)) break;
    }
    return written;
  }
  conv.ResetState();
  char* in = const_cast<char*>(src);
  size_t inLeft = srcLen;
  while (inLeft > 0) {
    // Convert in small pieces so the output is checked character by
    // character against the destination's room.
    char16_t out[8];
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    size_t r = iconv(conv.cd, &in, &inLeft, &outPtr, &outLeft);
    const size_t units = (sizeof out - outLeft) / sizeof(char16_t);
    // iconv writes whole characters only, so a pair is never cut here.
    const size_t whole = units;
    if (!put(out, whole)) {
      // Put what fits without splitting a surrogate pair.
      for (size_t i = 0; i < whole; ++i) {
        size_t n = IsHighSurrogate(out[i]) ? 2 : 1;
        if (!put(out + i, n)) break;
        i += n - 1;
      }
      return written;
    }
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ (a byte that decodes to nothing) or EINVAL (a truncated
      // sequence at the end): one '?' and go on after that byte.
      const char16_t q = u'?';
      if (!put(&q, 1)) return written;
      ++in;
      --inLeft;
      conv.ResetState();
    }
  }
  return written;
}

size_t Utf16ToAnsi(const char16_t* src, size_t srcLen, char* dst,
                   size_t dstCap) {
  if (src == nullptr || dst == nullptr || dstCap == 0 || srcLen == 0) return 0;
  Converter& conv = FromUtf16();
  size_t written = 0;
  for (size_t i = 0; i < srcLen;) {
    size_t n = 1;
    bool valid = true;
    if (IsHighSurrogate(src[i])) {
      if (i + 1 < srcLen && IsLowSurrogate(src[i + 1]))
        n = 2;
      else
        valid = false;
    } else if (IsLowSurrogate(src[i])) {
      valid = false;
    }
    char out[16];
    size_t outLen = 0;
    if (valid && conv.ok()) {
      conv.ResetState();
      char16_t units[2] = {src[i], n == 2 ? src[i + 1] : u'\0'};
      char* inPtr = reinterpret_cast<char*>(units);
      size_t inLeft = n * sizeof(char16_t);
      char* outPtr = out;
      size_t outLeft = sizeof out;
      size_t r = iconv(conv.cd, &inPtr, &inLeft, &outPtr, &outLeft);
      if (r != static_cast<size_t>(-1)) {
        // Close any shift state so each character stands alone.
        iconv(conv.cd, nullptr, nullptr, &outPtr, &outLeft);
        outLen = sizeof out - outLeft;
      }
    } else if (valid && src[i] < 0x80) {
      out[0] = static_cast<char>(src[i]);
      outLen = 1;
    }
    if (outLen == 0) {
      out[0] = '?';
      outLen = 1;
    }
    if (written + outLen > dstCap) break;
    std::memcpy(dst + written, out, outLen);
    written += outLen;
    i += n;
  }
  return written;
}

}  // namespace plat
