// The key store against registry values that other programs wrote: a
// string stored without its terminator still comes back terminated, or as
// MoreData when the terminator does not fit, never as an unterminated
// string a caller would read past.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/key_store.h"

namespace plat {
namespace {

constexpr char kTestKey[] = "SOFTWARE\\ModlinkTests\\KeyStoreWin";

class ForeignValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
    ASSERT_TRUE(m_key.Create(kTestKey));
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_SET_VALUE, &raw));
    // "COM7" as a driver might store it: four bytes, no terminator.
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(raw, "\\Device\\Serial7", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>("COM7"), 4));
    RegCloseKey(raw);
  }
  void TearDown() override {
    m_key.Close();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestKey);
  }
  RegKey m_key;
};

TEST_F(ForeignValuesTest, UnterminatedStringComesBackTerminated) {
  struct Case {
    const char* name;
    uint32_t capacity;
    EnumResult result;
    uint32_t length;
  };
  const Case cases[] = {
      {"room for the terminator", 16, EnumResult::Ok, 5},
      {"exactly the terminated size", 5, EnumResult::Ok, 5},
      {"room for the text only", 4, EnumResult::MoreData, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint8_t data[16];
    std::memset(data, 'x', sizeof(data));
    uint32_t dataLen = c.capacity;
    EXPECT_EQ(c.result, m_key.QueryValue("\\Device\\Serial7", data, &dataLen));
    EXPECT_EQ(c.length, dataLen);
    if (c.result == EnumResult::Ok) {
      EXPECT_STREQ("COM7", reinterpret_cast<const char*>(data));
    }

    char name[64];
    uint32_t nameLen = sizeof(name);
    std::memset(data, 'x', sizeof(data));
    dataLen = c.capacity;
    EXPECT_EQ(c.result, m_key.EnumValue(0, name, &nameLen, data, &dataLen));
    EXPECT_EQ(c.length, dataLen);
    if (c.result == EnumResult::Ok) {
      EXPECT_STREQ("\\Device\\Serial7", name);
      EXPECT_EQ(std::strlen("\\Device\\Serial7"), nameLen);
      EXPECT_STREQ("COM7", reinterpret_cast<const char*>(data));
    }
  }
}

TEST_F(ForeignValuesTest, OwnValuesAreStoredTerminated) {
  ASSERT_TRUE(m_key.SetValue("\\Device\\Serial8", "COM8"));
  uint8_t data[8];
  uint32_t dataLen = sizeof(data);
  ASSERT_EQ(EnumResult::Ok, m_key.QueryValue("\\Device\\Serial8", data, &dataLen));
  EXPECT_EQ(5u, dataLen);
  EXPECT_STREQ("COM8", reinterpret_cast<const char*>(data));
  EXPECT_EQ(EnumResult::Error, m_key.QueryValue("\\Device\\Missing", data, &dataLen));
}

}  // namespace
}  // namespace plat
