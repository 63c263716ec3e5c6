// The key store on Windows: the registry below HKEY_LOCAL_MACHINE.
#include "platform/key_store.h"

#include <windows.h>

#include "platform/event.h"

namespace plat {

namespace {

// Windows 8 and later: the notification outlives the thread that asked
// for it. Earlier systems (and Wine builds that refuse the flag) tie it to
// the asking thread; see NotifyChange.
constexpr DWORD kNotifyThreadAgnostic = 0x10000000L;

EnumResult ToEnumResult(LONG status) {
  switch (status) {
    case ERROR_SUCCESS: return EnumResult::Ok;
    case ERROR_NO_MORE_ITEMS: return EnumResult::NoMoreItems;
    case ERROR_MORE_DATA: return EnumResult::MoreData;
    default: return EnumResult::Error;
  }
}

// The registry returns a string exactly as it was stored, which need not
// include a terminator. Callers are promised one, so add it when it is
// missing, or report MoreData with the size that would hold it.
EnumResult TerminateString(DWORD type, uint8_t* data, uint32_t capacity,
                           uint32_t* dataLen) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return EnumResult::Ok;
  const uint32_t len = *dataLen;
  if (len > 0 && data != nullptr && data[len - 1] == 0) return EnumResult::Ok;
  if (data == nullptr || len >= capacity) {
    // A size query (no buffer) may count one byte more than needed.
    *dataLen = len + 1;
    return data == nullptr ? EnumResult::Ok : EnumResult::MoreData;
  }
  data[len] = 0;
  *dataLen = len + 1;
  return EnumResult::Ok;
}

}  // namespace

struct RegKey::Impl {
  HKEY key = nullptr;
};

RegKey::RegKey() : m_impl(std::make_unique<Impl>()) {}

RegKey::~RegKey() { Close(); }

bool RegKey::Open(const char* subKey) {
  if (subKey == nullptr || IsOpen()) return false;
  // Writing needs rights a normal user lacks below HARDWARE; reading and
  // watching do not, so fall back to those.
  HKEY key = nullptr;
  LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0,
                              KEY_READ | KEY_SET_VALUE, &key);
  if (status == ERROR_ACCESS_DENIED) {
    status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key);
  }
  if (status != ERROR_SUCCESS) return false;
  m_impl->key = key;
  return true;
}

bool RegKey::Create(const char* subKey) {
  if (subKey == nullptr || IsOpen()) return false;
  HKEY key = nullptr;
  const LONG status =
      RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return false;
  m_impl->key = key;
  return true;
}

bool RegKey::IsOpen() const { return m_impl->key != nullptr; }

void RegKey::Close() {
  if (m_impl->key == nullptr) return;
  RegCloseKey(m_impl->key);
  m_impl->key = nullptr;
}

EnumResult RegKey::EnumValue(uint32_t index, char* name, uint32_t* nameLen,
                             uint8_t* data, uint32_t* dataLen) {
  if (!IsOpen() || name == nullptr || nameLen == nullptr || *nameLen == 0) {
    return EnumResult::Error;
  }
  if (data != nullptr && dataLen == nullptr) return EnumResult::Error;
  const uint32_t capacity = dataLen != nullptr ? *dataLen : 0;
  DWORD nameSize = *nameLen;
  DWORD dataSize = capacity;
  DWORD type = REG_NONE;
  const LONG status =
      RegEnumValueA(m_impl->key, index, name, &nameSize, nullptr, &type, data,
                    dataLen != nullptr ? &dataSize : nullptr);
  const EnumResult result = ToEnumResult(status);
  if (result == EnumResult::Ok || result == EnumResult::MoreData) {
    *nameLen = nameSize;
    if (dataLen != nullptr) *dataLen = dataSize;
  }
  if (result != EnumResult::Ok) return result;
  if (dataLen == nullptr) return EnumResult::Ok;
  return TerminateString(type, data, capacity, dataLen);
}

EnumResult RegKey::QueryValue(const char* name, uint8_t* data,
                              uint32_t* dataLen) {
  if (!IsOpen() || dataLen == nullptr) return EnumResult::Error;
  const uint32_t capacity = *dataLen;
  DWORD dataSize = capacity;
  DWORD type = REG_NONE;
  const LONG status =
      RegQueryValueExA(m_impl->key, name, nullptr, &type, data, &dataSize);
  const EnumResult result = ToEnumResult(status);
  if (result == EnumResult::Ok || result == EnumResult::MoreData) {
    *dataLen = dataSize;
  }
  if (result != EnumResult::Ok) return result;
  return TerminateString(type, data, capacity, dataLen);
}

bool RegKey::SetValue(const char* name, const std::string& data) {
  if (!IsOpen() || data.size() >= 0x7FFFFFFF) return false;
  return RegSetValueExA(m_impl->key, name, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool RegKey::DeleteValue(const char* name) {
  if (!IsOpen()) return false;
  return RegDeleteValueA(m_impl->key, name) == ERROR_SUCCESS;
}

bool RegKey::NotifyChange(Event& event) {
  if (!IsOpen() || !event.Valid()) return false;
  const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
  const HANDLE h = reinterpret_cast<HANDLE>(event.Native());
  LONG status = RegNotifyChangeKeyValue(m_impl->key, TRUE,
                                        filter | kNotifyThreadAgnostic, h, TRUE);
  if (status == ERROR_INVALID_PARAMETER) {
    // Without the flag the request ends (setting the event) when the
    // calling thread exits; the watcher re-arms from a thread that lives
    // as long as the watch, so that only costs one spurious wake.
    status = RegNotifyChangeKeyValue(m_impl->key, TRUE, filter, h, TRUE);
  }
  return status == ERROR_SUCCESS;
}

bool KeyExists(const char* subKey) {
  if (subKey == nullptr) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

}  // namespace plat
