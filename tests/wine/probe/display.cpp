// The display commands of quorvo_probe: the screen's modes, changing the
// mode, moving the clock as another program might, and telling it that the
// display changed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "commands.h"
#include "probe_common.h"

namespace probe {

namespace {

constexpr DWORD kBitsPerPixel = 32;

DEVMODEW currentMode() {
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  (void)EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return mode;
}

std::string modeJson(const DEVMODEW& mode) {
  return "{\"width\":" + number(mode.dmPelsWidth) +
         ",\"height\":" + number(mode.dmPelsHeight) +
         ",\"bits\":" + number(mode.dmBitsPerPel) + "}";
}

}  // namespace

int commandMove(const Call& call) {
  const HWND clock = findClock(call.exe);
  const bool moved =
      clock != nullptr &&
      SetWindowPos(clock, nullptr, call.integer(0), call.integer(1), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
  std::printf("{\"moved\":%s}\n", flag(moved));
  return moved ? 0 : kExitFailed;
}

// WM_DISPLAYCHANGE as the system sends it to every top-level window after a
// change of resolution or of the monitors.
int commandDisplayChange(const Call& call) {
  const HWND clock = findClock(call.exe);
  const DEVMODEW mode = currentMode();
  DWORD_PTR result = 0;
  const bool sent =
      clock != nullptr &&
      SendMessageTimeoutW(clock, WM_DISPLAYCHANGE, kBitsPerPixel,
                          MAKELPARAM(mode.dmPelsWidth, mode.dmPelsHeight),
                          SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result) != 0;
  std::printf("{\"sent\":%s}\n", flag(sent));
  return sent ? 0 : kExitFailed;
}

int commandModes(const Call&) {
  std::string json = "{\"current\":" + modeJson(currentMode()) + ",\"modes\":[";
  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &mode); ++i) {
    if (i > 0) json += ",";
    json += modeJson(mode);
  }
  std::printf("%s]}\n", json.c_str());
  return 0;
}

int commandSetMode(const Call& call) {
  DEVMODEW mode = currentMode();
  mode.dmPelsWidth = call.dword(0);
  mode.dmPelsHeight = call.dword(1);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  const LONG result =
      ChangeDisplaySettingsExW(nullptr, &mode, nullptr, 0, nullptr);
  std::printf("{\"result\":%ld,\"now\":%s}\n", result,
              modeJson(currentMode()).c_str());
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : kExitFailed;
}

// The height of the system's message font in pixels (lfHeight: negative
// for the character height). Given one, it is set first, as a settings page
// sets it: written to the user's settings and announced to every window.
int commandMessageFont(const Call& call) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  bool ok = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics,
                                  &metrics, 0) != FALSE;
  const LONG before = metrics.lfMessageFont.lfHeight;
  if (ok && !call.args.empty()) {
    metrics.lfMessageFont.lfHeight = call.integer(0);
    ok =
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics,
                              SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
  }
  std::printf("{\"ok\":%s,\"before\":%ld,\"height\":%ld}\n", flag(ok), before,
              metrics.lfMessageFont.lfHeight);
  return ok ? 0 : kExitFailed;
}

}  // namespace probe
