#include "platform/key_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/event.h"

namespace {

using plat::EnumResult;
using plat::RegKey;

// A key of its own for each test, below a test-only parent.
std::string TestKey(const char* name) {
  static const std::string stamp = std::to_string(
      std::chrono::steady_clock::now().time_since_epoch().count());
  return std::string("SOFTWARE\\ModlinkTest\\") + stamp + "\\" + name;
}

std::vector<std::string> Enumerate(RegKey& key) {
  std::vector<std::string> out;
  for (uint32_t i = 0;; ++i) {
    char name[60];
    uint8_t data[60];
    uint32_t nameLen = sizeof name, dataLen = sizeof data;
    EnumResult r = key.EnumValue(i, name, &nameLen, data, &dataLen);
    if (r != EnumResult::Ok) break;
    out.push_back(std::string(name) + "=" + reinterpret_cast<char*>(data));
  }
  return out;
}

TEST(KeyStore, DeviceMapAlwaysExists) {
  EXPECT_TRUE(plat::KeyExists("HARDWARE\\DEVICEMAP"));
  RegKey key;
  EXPECT_TRUE(key.Open("HARDWARE\\DEVICEMAP"));
}

TEST(KeyStore, MissingKeyDoesNotOpen) {
  RegKey key;
  EXPECT_FALSE(key.Open(TestKey("missing").c_str()));
  EXPECT_FALSE(key.IsOpen());
}

TEST(KeyStore, ValuesEnumerateInNameOrderWithTheirData) {
  const std::string path = TestKey("enum");
  RegKey key;
  ASSERT_TRUE(key.Create(path.c_str()));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_COM7", "COM7"));
  ASSERT_TRUE(key.SetValue("\\Device\\QCUSB_COM12", "COM12"));
  ASSERT_TRUE(key.SetValue("\\Device\\Serial0", "COM1"));
  EXPECT_EQ(Enumerate(key),
            (std::vector<std::string>{"\\Device\\QCUSB_COM12=COM12",
                                      "\\Device\\QCUSB_COM7=COM7",
                                      "\\Device\\Serial0=COM1"}));
  uint8_t data[16];
  uint32_t len = sizeof data;
  ASSERT_EQ(key.QueryValue("\\Device\\QCUSB_COM7", data, &len), EnumResult::Ok);
  EXPECT_EQ(len, 5u);  // with its terminator, as the registry reports strings
  EXPECT_STREQ(reinterpret_cast<char*>(data), "COM7");
  EXPECT_TRUE(key.DeleteValue("\\Device\\Serial0"));
  EXPECT_EQ(Enumerate(key).size(), 2u);
}

TEST(KeyStore, EnumerationReportsWhatDoesNotFit) {
  const std::string path = TestKey("fit");
  RegKey key;
  ASSERT_TRUE(key.Create(path.c_str()));
  ASSERT_TRUE(key.SetValue("abcdef", "0123456789"));
  char name[6];
  uint8_t data[32];
  uint32_t nameLen = sizeof name, dataLen = sizeof data;
  // The name's capacity counts its terminator: six letters need seven.
  EXPECT_EQ(key.EnumValue(0, name, &nameLen, data, &dataLen), EnumResult::MoreData);
  char bigName[16];
  nameLen = sizeof bigName;
  dataLen = 10;  // data and terminator need 11
  EXPECT_EQ(key.EnumValue(0, bigName, &nameLen, data, &dataLen), EnumResult::MoreData);
  nameLen = sizeof bigName;
  dataLen = sizeof data;
  EXPECT_EQ(key.EnumValue(1, bigName, &nameLen, data, &dataLen), EnumResult::NoMoreItems);
}

TEST(KeyStore, NotificationOnValueAddedAndRemoved) {
  const std::string path = TestKey("notify");
  RegKey writer, watched;
  ASSERT_TRUE(writer.Create(path.c_str()));
  ASSERT_TRUE(watched.Open(path.c_str()));
  plat::Event changed(plat::ResetMode::Auto);
  ASSERT_TRUE(watched.NotifyChange(changed));
  EXPECT_FALSE(changed.Wait(50));

  ASSERT_TRUE(writer.SetValue("\\Device\\QCUSB_COM3", "COM3"));
  EXPECT_TRUE(changed.Wait(5000));

  ASSERT_TRUE(watched.NotifyChange(changed));
  ASSERT_TRUE(writer.DeleteValue("\\Device\\QCUSB_COM3"));
  EXPECT_TRUE(changed.Wait(5000));
}

TEST(KeyStore, NotificationCoversSubkeysCreatedLater) {
  const std::string path = TestKey("subtree");
  RegKey watched;
  ASSERT_TRUE(watched.Create(path.c_str()));
  plat::Event changed(plat::ResetMode::Auto);
  ASSERT_TRUE(watched.NotifyChange(changed));
  RegKey sub;
  ASSERT_TRUE(sub.Create((path + "\\child").c_str()));
  EXPECT_TRUE(changed.Wait(5000));  // the new subkey's name
  ASSERT_TRUE(watched.NotifyChange(changed));
  ASSERT_TRUE(sub.SetValue("v", "1"));
  EXPECT_TRUE(changed.Wait(5000));  // a value inside it
}

#ifndef _WIN32
TEST(KeyStore, MalformedKeyPathsAreRefused) {
  RegKey key;
  for (const char* bad : {"", "HARDWARE\\..\\..", "HARDWARE\\\\DEVICEMAP",
                          "HARDWARE/DEVICEMAP", "\\HARDWARE"}) {
    EXPECT_FALSE(key.Create(bad)) << bad;
    EXPECT_FALSE(plat::KeyExists(bad)) << bad;
  }
  ASSERT_TRUE(key.Create(TestKey("names").c_str()));
  EXPECT_FALSE(key.SetValue(".hidden", "x"));
  EXPECT_FALSE(key.SetValue("a/b", "x"));
}
#endif

}  // namespace
