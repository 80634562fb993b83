// The registry settings store, under a test-only application name that each
// test removes again.
#include "platform/win32/registry_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/services.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "win32_test_support.h"

namespace quorvo::platform::win32 {
namespace {

using win32_testing::uniqueName;

class RegistrySettingsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    const std::wstring appKey =
        std::wstring(kSettingsRoot) + L"\\" + toUtf16(app);
    (void)RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
  }

  // Writes a raw value the way another program could have.
  void putRaw(const std::string& key, DWORD type, const void* data,
              DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                              settingsKeyPath(app, section).c_str(), 0, nullptr,
                              0, KEY_SET_VALUE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const UniqueKey owner(created);
    ASSERT_EQ(RegSetValueExW(created, toUtf16(key).c_str(), 0, type,
                             static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }

  void putRawText(const std::string& key, const std::wstring& text,
                  DWORD type = REG_SZ) {
    putRaw(key, type, text.c_str(),
           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  std::string get(const std::string& key, const std::string& fallback = "D") {
    return store.getSetting(app, section, key, fallback);
  }

  RegistrySettingsStore store;
  const std::string app = toUtf8(uniqueName(L"Quorvo Win32 Test"));
  const std::string section = "Quorvo";
};

TEST_F(RegistrySettingsTest, SavedTextReadsBack) {
  store.saveSetting(app, section, "Left", "5430");
  store.saveSetting(app, section, "24 Hour", "True");
  EXPECT_EQ(get("Left"), "5430");
  EXPECT_EQ(get("24 Hour"), "True");
}

TEST_F(RegistrySettingsTest, StoredAsStringValueUnderProgramSettings) {
  store.saveSetting(app, section, "Top", "-15");
  const std::wstring path = std::wstring(
                                L"Software\\VB and VBA Program "
                                L"Settings\\") +
                            toUtf16(app) + L"\\Quorvo";
  wchar_t buffer[16] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Top", RRF_RT_ANY,
                         &type, buffer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, L"-15");
}

TEST_F(RegistrySettingsTest, MissingKeyPathGivesDefault) {
  EXPECT_EQ(get("Left", "5430"), "5430");
  EXPECT_EQ(store.getSetting(app, "No Such Section", "Left", "-15"), "-15");
}

TEST_F(RegistrySettingsTest, AbsentValueGivesDefault) {
  store.saveSetting(app, section, "Left", "100");
  EXPECT_EQ(get("Top", "-15"), "-15");
  EXPECT_EQ(get("left"), "100");  // registry names ignore letter case
}

TEST_F(RegistrySettingsTest, LaterSaveReplacesEarlierText) {
  store.saveSetting(app, section, "JTime", "True");
  store.saveSetting(app, section, "JTime", "False");
  EXPECT_EQ(get("JTime"), "False");
}

TEST_F(RegistrySettingsTest, ValuesOfOtherTypesGiveDefault) {
  const DWORD number = 5430;
  const ULONGLONG wide = 5430;
  const BYTE bytes[] = {'5', 0, '4', 0, 0, 0};
  putRaw("Dword", REG_DWORD, &number, sizeof(number));
  putRaw("Qword", REG_QWORD, &wide, sizeof(wide));
  putRaw("Binary", REG_BINARY, bytes, sizeof(bytes));
  putRawText("Expand", L"%TEMP%", REG_EXPAND_SZ);
  putRaw("Multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t));
  putRaw("None", REG_NONE, nullptr, 0);
  for (const char* key :
       {"Dword", "Qword", "Binary", "Expand", "Multi", "None"}) {
    EXPECT_EQ(get(key, "default"), "default") << key;
  }
}

TEST_F(RegistrySettingsTest, EmptyTextReadsBackEmpty) {
  store.saveSetting(app, section, "Left", "");
  EXPECT_EQ(get("Left", "5430"), "");
}

TEST_F(RegistrySettingsTest, UnicodeTextReadsBack) {
  const std::string text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x99\x82\xE8\xA8\x88 "
      "\xF0\x9F\x95\x98";
  store.saveSetting(app, "Sekti\xC3\xB6n", "Schl\xC3\xBCssel", text);
  EXPECT_EQ(store.getSetting(app, "Sekti\xC3\xB6n", "Schl\xC3\xBCssel", ""),
            text);
}

TEST_F(RegistrySettingsTest, LongTextUpToTheLimitReadsBack) {
  const std::string text(kMaxSettingBytes / sizeof(wchar_t) - 1, 'x');
  store.saveSetting(app, section, "Long", text);
  EXPECT_EQ(get("Long"), text);
}

TEST_F(RegistrySettingsTest, TextOverTheLimitIsNotStored) {
  const std::string text(kMaxSettingBytes / sizeof(wchar_t), 'x');
  EXPECT_THROW(store.saveSetting(app, section, "Long", text), RuntimeError);
  EXPECT_EQ(get("Long"), "D");
}

TEST_F(RegistrySettingsTest, OversizedStoredValueGivesDefault) {
  const std::wstring huge(200 * 1024, L'9');  // 400 KiB written by others
  putRawText("Left", huge);
  EXPECT_EQ(get("Left", "5430"), "5430");
}

TEST_F(RegistrySettingsTest, EmbeddedNullEndsTheText) {
  const wchar_t data[] =
      L"12\0"
      L"34";
  putRaw("Left", REG_SZ, data, sizeof(data));
  EXPECT_EQ(get("Left"), "12");
}

TEST_F(RegistrySettingsTest, UnterminatedOddSizedValueReadsSafely) {
  const wchar_t data[] = {L'7', L'5', L'0'};
  // Two whole characters and half a third, without a terminating null.
  putRaw("Left", REG_SZ, data, 5);
  EXPECT_EQ(get("Left"), "75");
  putRaw("Top", REG_SZ, data, 4);  // two characters, no terminator
  EXPECT_EQ(get("Top"), "75");
  putRaw("Width", REG_SZ, data, 0);  // no data at all
  EXPECT_EQ(get("Width"), "");
}

TEST_F(RegistrySettingsTest, EmptyNamesAreRefused) {
  EXPECT_THROW(store.saveSetting(app, section, "", "x"), RuntimeError);
  EXPECT_THROW(store.saveSetting(app, "", "Left", "x"), RuntimeError);
  EXPECT_THROW(store.saveSetting("", section, "Left", "x"), RuntimeError);
  EXPECT_EQ(store.getSetting(app, section, "", "D"), "D");
}

TEST_F(RegistrySettingsTest, RefusedWriteThrows) {
  // A section name longer than the registry allows for a key.
  const std::string tooLong(300, 's');
  EXPECT_THROW(store.saveSetting(app, tooLong, "Left", "1"), RuntimeError);
  EXPECT_EQ(store.getSetting(app, tooLong, "Left", "D"), "D");
}

}  // namespace
}  // namespace quorvo::platform::win32
