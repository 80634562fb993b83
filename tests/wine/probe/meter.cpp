// The resource counts of quorvo_probe: what a process holds, counted the
// same way on Windows and under Wine, where GetGuiResources answers 0 and
// private bytes read 0:
//   - GDI objects: the used entries of the process's GDI handle table, which
//     its PEB points to (stock objects counted apart);
//   - windows: every window of the process, hidden and message-only ones
//     included;
//   - private memory: the committed private pages of its address space.
// And whether a menu handle is still a live menu inside another process, by
// running IsMenu on a thread there; menus cannot be counted from outside.
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

constexpr DWORD kRemoteThreadTimeoutMs = 10000;

// The GDI handle table: 65536 entries of this layout, the same on Windows
// and on Wine; the PEB of a 64-bit process points to it.
constexpr std::size_t kGdiHandleCount = 0x10000;
constexpr std::size_t kPebGdiSharedHandleTable = 0xF8;
struct GdiHandleEntry {
  std::uint64_t object;
  std::uint32_t owner;   // the owning process id in the low 16 bits
  std::uint16_t unique;  // bits 0-6 the object type, bit 7 a stock object
  std::uint8_t type;     // 0 for a free entry
  std::uint8_t flags;
  std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr std::uint16_t kGdiTypeMask = 0x7F;
constexpr std::uint16_t kGdiStockFlag = 0x80;

// Every window of the process: top-level ones (shown or not), message-only
// ones, and all their descendants.
std::size_t windowCount(DWORD pid) {
  std::vector<HWND> roots;
  for (HWND window : topLevelWindows()) {
    if (windowPid(window) == pid) roots.push_back(window);
  }
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr);
       window != nullptr;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    if (windowPid(window) == pid) roots.push_back(window);
  }
  std::size_t count = roots.size();
  for (HWND window : roots) count += childWindows(window).size();
  return count;
}

// ------------------------------------------------------------ GDI table

// GDI object types as the handle table numbers them.
struct GdiTypeName {
  unsigned type;
  const char* name;
};
constexpr GdiTypeName kGdiTypeNames[] = {
    {0x01, "dc"},      {0x04, "region"},    {0x05, "surface"},
    {0x08, "palette"}, {0x09, "bitmap"},    {0x0A, "font"},
    {0x10, "brush"},   {0x21, "enhmetadc"}, {0x26, "metafile"},
    {0x30, "pen"},     {0x41, "memdc"},     {0x46, "enhmetafile"},
    {0x50, "extpen"},  {0x66, "metadc"},
};

std::string gdiTypeName(unsigned type) {
  for (const auto& known : kGdiTypeNames) {
    if (known.type == type) return known.name;
  }
  return "type_" + number(type);
}

// The address of the process's GDI handle table, or 0.
std::uint64_t gdiTableAddress(HANDLE process) {
  PROCESS_BASIC_INFORMATION basic{};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic,
                                sizeof(basic), nullptr) != 0 ||
      basic.PebBaseAddress == nullptr) {
    return 0;
  }
  std::uint64_t table = 0;
  SIZE_T read = 0;
  const auto* field = reinterpret_cast<const char*>(basic.PebBaseAddress) +
                      kPebGdiSharedHandleTable;
  if (!ReadProcessMemory(process, field, &table, sizeof(table), &read) ||
      read != sizeof(table)) {
    return 0;
  }
  return table;
}

// {"used":N,"stock":S,"by_type":{...}} for the process's own (non-stock)
// objects, or null when the table cannot be read.
std::string gdiTableJson(HANDLE process, DWORD pid) {
  const std::uint64_t address = gdiTableAddress(process);
  if (address == 0) return "null";
  std::vector<GdiHandleEntry> entries(kGdiHandleCount);
  // In pieces: the table's end may lie in memory that is not committed.
  constexpr std::size_t kChunk = 4096;
  std::size_t readEntries = 0;
  for (std::size_t first = 0; first < kGdiHandleCount; first += kChunk) {
    SIZE_T read = 0;
    const auto* from = reinterpret_cast<const void*>(
        static_cast<std::uintptr_t>(address + first * sizeof(GdiHandleEntry)));
    if (!ReadProcessMemory(process, from, &entries[first],
                           kChunk * sizeof(GdiHandleEntry), &read) ||
        read != kChunk * sizeof(GdiHandleEntry)) {
      break;
    }
    readEntries = first + kChunk;
  }
  if (readEntries == 0) return "null";
  long long used = 0;
  long long stock = 0;
  std::map<std::string, long long> byType;
  const std::uint32_t ownPid = pid & 0xFFFF;
  for (std::size_t i = 0; i < readEntries; ++i) {
    const GdiHandleEntry& entry = entries[i];
    if (entry.type == 0) continue;
    const std::uint32_t owner = entry.owner & 0xFFFF;
    // Windows keeps one table for all processes of a session; Wine one per
    // process, with no owner filled in.
    if (owner != 0 && owner != ownPid) continue;
    if ((entry.unique & kGdiStockFlag) != 0) {
      ++stock;
      continue;
    }
    ++used;
    ++byType[gdiTypeName(entry.unique & kGdiTypeMask)];
  }
  const std::string types = jsonObject(byType, [](const auto& type) {
    return quoted(type.first) + ":" + number(type.second);
  });
  return "{\"used\":" + number(used) + ",\"stock\":" + number(stock) +
         ",\"by_type\":" + types + "}";
}

// ------------------------------------------------------------ memory

// Committed private pages: what Windows calls a process's private bytes.
long long privateCommitted(HANDLE process) {
  long long total = 0;
  MEMORY_BASIC_INFORMATION info{};
  const char* address = nullptr;
  while (VirtualQueryEx(process, address, &info, sizeof(info)) ==
         sizeof(info)) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
      total += static_cast<long long>(info.RegionSize);
    }
    const char* next =
        static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

std::string usageJson(const ProcessInfo& entry) {
  std::string out =
      "{\"pid\":" + number(entry.pid) + ",\"exe\":" + quoted(entry.exe) +
      ",\"windows\":" + number(static_cast<long long>(windowCount(entry.pid)));
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                                   FALSE, entry.pid));
  if (!process) {
    return out + ",\"error\":\"OpenProcess " + number(GetLastError()) + "\"}";
  }
  out += ",\"gui_resources\":{\"gdi\":" +
         number(GetGuiResources(process.get(), GR_GDIOBJECTS)) +
         ",\"user\":" + number(GetGuiResources(process.get(), GR_USEROBJECTS)) +
         "}";
  out += ",\"gdi_table\":" + gdiTableJson(process.get(), entry.pid);
  out += ",\"private_committed\":" + number(privateCommitted(process.get()));
  return out + "}";
}

// Where `function` of this process lies in process `pid`: the same offset
// into the module of the same name there.
const void* remoteAddress(DWORD pid, FARPROC function) {
  HMODULE localModule = nullptr;
  wchar_t localName[MAX_PATH] = {};
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(function), &localModule) ||
      GetModuleBaseNameW(GetCurrentProcess(), localModule, localName,
                         MAX_PATH) == 0) {
    return nullptr;
  }
  const HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (raw == INVALID_HANDLE_VALUE) return nullptr;
  const UniqueHandle snapshot(raw);
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
       more = Module32NextW(snapshot.get(), &entry)) {
    if (lower(entry.szModule) != lower(localName)) continue;
    const auto offset = reinterpret_cast<std::uintptr_t>(function) -
                        reinterpret_cast<std::uintptr_t>(localModule);
    return entry.modBaseAddr + offset;
  }
  return nullptr;
}

}  // namespace

int commandUsage(const Call& call) {
  std::printf(
      "{\"processes\":%s}\n",
      jsonArray(processesNamed(wideNames(call.args)), usageJson).c_str());
  return 0;
}

int commandMenuAlive(const Call& call) {
  const DWORD pid = call.dword(0);
  UniqueHandle process(OpenProcess(
      PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
          PROCESS_VM_WRITE | PROCESS_VM_READ | SYNCHRONIZE,
      FALSE, pid));
  if (!process) {
    std::printf("{\"error\":\"OpenProcess %lu\"}\n", GetLastError());
    return kExitFailed;
  }
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC isMenu =
      user32 != nullptr ? GetProcAddress(user32, "IsMenu") : nullptr;
  const void* remote = isMenu != nullptr ? remoteAddress(pid, isMenu) : nullptr;
  if (remote == nullptr) {
    std::printf("{\"error\":\"IsMenu not found in process %lu\"}\n", pid);
    return kExitFailed;
  }
  // IsMenu takes one pointer-sized argument and returns a 32-bit value, as a
  // thread routine does, so it can run as one; its result is the exit code.
  LPTHREAD_START_ROUTINE routine = nullptr;
  static_assert(sizeof(routine) == sizeof(remote));
  std::memcpy(&routine, &remote, sizeof(routine));
  std::string out = "{\"pid\":" + number(pid) + ",\"alive\":[";
  for (std::size_t i = 1; i < call.args.size(); ++i) {
    const auto menu = std::strtoull(call.args[i].c_str(), nullptr, 0);
    UniqueHandle thread(CreateRemoteThread(
        process.get(), nullptr, 0, routine,
        reinterpret_cast<void*>(static_cast<std::uintptr_t>(menu)), 0,
        nullptr));
    DWORD code = 0;
    if (!thread ||
        WaitForSingleObject(thread.get(), kRemoteThreadTimeoutMs) !=
            WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.get(), &code)) {
      std::printf("{\"error\":\"remote IsMenu failed (%lu)\"}\n",
                  GetLastError());
      return kExitFailed;
    }
    if (i > 1) out += ",";
    out += flag(code != 0);
  }
  std::printf("%s]}\n", out.c_str());
  return 0;
}

}  // namespace probe
