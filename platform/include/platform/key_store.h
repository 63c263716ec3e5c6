// The key store: the Windows registry under HKEY_LOCAL_MACHINE, or its
// POSIX stand-in, a directory tree below $MODLINK_ROOT/registry/
// HKEY_LOCAL_MACHINE with one directory per key and one regular file per
// value (named as the value, holding its data; a string without
// terminator). Names beginning with "." are not values, so writers create
// a value atomically by writing a dot-file and renaming it. Values
// enumerate in byte order of their names. HARDWARE\DEVICEMAP always exists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace plat {

class Event;

enum class EnumResult { Ok, NoMoreItems, MoreData, Error };

class RegKey {
 public:
  RegKey();
  ~RegKey();
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Opens an existing key below HKEY_LOCAL_MACHINE; the path uses
  // backslashes ("HARDWARE\\DEVICEMAP\\SERIALCOMM").
  bool Open(const char* subKey);
  // Opens the key, creating it (and its parents) when missing.
  bool Create(const char* subKey);
  bool IsOpen() const;
  void Close();

  // Value number `index` in enumeration order. *nameLen and *dataLen carry
  // the capacities in (the name's capacity counts its terminator) and the
  // lengths out; a string value's data is returned with a terminator, as
  // the registry does. MoreData when either does not fit.
  EnumResult EnumValue(uint32_t index, char* name, uint32_t* nameLen,
                       uint8_t* data, uint32_t* dataLen);
  // Reads one value; the same capacity rules as EnumValue.
  EnumResult QueryValue(const char* name, uint8_t* data, uint32_t* dataLen);
  // Writes a string value (data without terminator).
  bool SetValue(const char* name, const std::string& data);
  bool DeleteValue(const char* name);

  // Asks to be told of the next change of a value or a subkey name anywhere
  // in the key's subtree: `event` is set when it happens. Call again after
  // each notification to go on watching. False when watching is impossible.
  bool NotifyChange(Event& event);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Whether a key exists below HKEY_LOCAL_MACHINE.
bool KeyExists(const char* subKey);

}  // namespace plat
