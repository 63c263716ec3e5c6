#include "platform/log_file.h"

#include <windows.h>

namespace plat {

bool LogFile::Create(const std::string& path) {
  Close();
  // No sharing: a second opener fails before anything is truncated.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  m_native = reinterpret_cast<intptr_t>(h);
  return true;
}

void LogFile::Write(const char* text, size_t length) {
  if (m_native == -1 || text == nullptr) return;
  DWORD written = 0;
  WriteFile(reinterpret_cast<HANDLE>(m_native), text, static_cast<DWORD>(length),
            &written, nullptr);
}

void LogFile::Close() {
  if (m_native != -1) CloseHandle(reinterpret_cast<HANDLE>(m_native));
  m_native = -1;
}

}  // namespace plat
