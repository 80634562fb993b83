// The registry settings store, under a test-only application name that each
// test removes again.
#include "platform/win32/registry_settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/services.h"
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
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER,
                              settingsKeyPath(app, section).c_str(),
                              toUtf16(key).c_str(), type, data, size),
              ERROR_SUCCESS);
  }

  std::string get(const std::string& key, const std::string& fallback = "D") {
    return store.getSetting(app, section, key, fallback);
  }

  RegistrySettingsStore store;
  const std::string app = toUtf8(uniqueName(L"Quorvo Win32 Test"));
  const std::string section = "Quorvo";
};

// Whatever is saved reads back as it was saved, the last save winning.
TEST_F(RegistrySettingsTest, SavedTextReadsBack) {
  struct Row {
    std::string section, key;
    std::vector<std::string> saved;  // in order; the last one reads back
  };
  const std::vector<Row> rows = {
      {"Quorvo", "Left", {"5430"}},
      {"Quorvo", "24 Hour", {"True"}},
      {"Quorvo", "JTime", {"True", "False"}},
      {"Quorvo", "Top", {""}},
      {"Sekti\xC3\xB6n",
       "Schl\xC3\xBCssel",
       {"Gr\xC3\xBC\xC3\x9F"
        "e \xE6\x99\x82\xE8\xA8\x88 \xF0\x9F\x95\x98"}},
      {"Quorvo",
       "Long",
       {std::string(kMaxSettingBytes / sizeof(wchar_t) - 1, 'x')}},
  };
  for (const Row& row : rows) {
    for (const std::string& text : row.saved) {
      store.saveSetting(app, row.section, row.key, text);
    }
  }
  for (const Row& row : rows) {
    EXPECT_EQ(store.getSetting(app, row.section, row.key, "D"),
              row.saved.back())
        << row.key;
  }
}

TEST_F(RegistrySettingsTest, StoredAsStringValueUnderProgramSettings) {
  store.saveSetting(app, section, "Top", "-15");
  const std::wstring path =
      L"Software\\VB and VBA Program Settings\\" + toUtf16(app) + L"\\Quorvo";
  wchar_t buffer[16] = {};
  DWORD size = sizeof(buffer);
  DWORD type = 0;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, path.c_str(), L"Top", RRF_RT_ANY,
                         &type, buffer, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(buffer, L"-15");
}

TEST_F(RegistrySettingsTest, AbsentValuesGiveTheDefault) {
  EXPECT_EQ(get("Left", "5430"), "5430");
  EXPECT_EQ(store.getSetting(app, "No Such Section", "Left", "-15"), "-15");
  store.saveSetting(app, section, "Left", "100");
  EXPECT_EQ(get("Top", "-15"), "-15");
  EXPECT_EQ(get("left"), "100");  // registry names ignore letter case
}

// Values written by others: of another type than REG_SZ or oversized they
// give the default; a text ends at an embedded null or where the data ends,
// terminated or not.
TEST_F(RegistrySettingsTest, RawValuesReadSafely) {
  const DWORD number = 5430;
  const ULONGLONG wide = 5430;
  const BYTE bytes[] = {'5', 0, '4', 0, 0, 0};
  const std::wstring expand = L"%TEMP%";
  const std::wstring huge(200 * 1024, L'9');  // 400 KiB
  const wchar_t embedded[] =
      L"12\0"
      L"34";
  const wchar_t unterminated[] = {L'7', L'5', L'0'};
  struct Row {
    const char* key;
    DWORD type;
    const void* data;
    DWORD size;
    const char* expected;
  };
  const auto textSize = [](const std::wstring& text) {
    return static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  };
  const std::vector<Row> rows = {
      {"Dword", REG_DWORD, &number, sizeof(number), "D"},
      {"Qword", REG_QWORD, &wide, sizeof(wide), "D"},
      {"Binary", REG_BINARY, bytes, sizeof(bytes), "D"},
      {"Expand", REG_EXPAND_SZ, expand.c_str(), textSize(expand), "D"},
      {"Multi", REG_MULTI_SZ, L"a\0b\0", 5 * sizeof(wchar_t), "D"},
      {"None", REG_NONE, nullptr, 0, "D"},
      {"Huge", REG_SZ, huge.c_str(), textSize(huge), "D"},
      {"Embedded", REG_SZ, embedded, sizeof(embedded), "12"},
      // Two whole characters and half a third, without a terminating null.
      {"OddSized", REG_SZ, unterminated, 5, "75"},
      {"Unterminated", REG_SZ, unterminated, 4, "75"},
      {"NoData", REG_SZ, unterminated, 0, ""},
  };
  for (const Row& row : rows) putRaw(row.key, row.type, row.data, row.size);
  for (const Row& row : rows) EXPECT_EQ(get(row.key), row.expected) << row.key;
}

// What the registry cannot hold or the store could not read back is
// refused, and nothing is stored.
TEST_F(RegistrySettingsTest, RefusedWritesThrowAndStoreNothing) {
  struct Row {
    const char* name;
    std::string app, section, key, value;
  };
  const std::vector<Row> rows = {
      {"over the limit", app, section, "Long",
       std::string(kMaxSettingBytes / sizeof(wchar_t), 'x')},
      {"no key", app, section, "", "x"},
      {"no section", app, "", "Left", "x"},
      {"no application", "", section, "Left", "x"},
      {"a section name the registry refuses", app, std::string(300, 's'),
       "Left", "1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(store.saveSetting(row.app, row.section, row.key, row.value),
                 RuntimeError);
    if (!row.app.empty() && !row.section.empty()) {
      EXPECT_EQ(store.getSetting(row.app, row.section, row.key, "D"), "D");
    }
  }
}

}  // namespace
}  // namespace quorvo::platform::win32
