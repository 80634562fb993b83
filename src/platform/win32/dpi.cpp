// DPI awareness, window DPI and the message font.
#include "platform/win32/dpi.h"

#include "platform/twips.h"
#include "platform/win32/errors.h"
#include "platform/win32/system_functions.h"

namespace quorvo::platform::win32 {

void enablePerMonitorDpiAwareness() noexcept {
  const LoadedSystemFunctions& system = loadedSystemFunctions();
  if (const auto setContext = system.setProcessDpiAwarenessContext) {
    // Fails with ERROR_ACCESS_DENIED when the manifest set it already, and
    // with ERROR_INVALID_PARAMETER before version 2 existed.
    if (!setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) &&
        GetLastError() != ERROR_ACCESS_DENIED) {
      (void)setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    }
  } else if (system.setProcessDpiAware != nullptr) {
    (void)system.setProcessDpiAware();
  }
}

unsigned windowDpi(HWND window) noexcept {
  if (const auto getDpi = loadedSystemFunctions().getDpiForWindow) {
    const UINT dpi = getDpi(window);
    if (dpi != 0) return dpi;
  }
  const WindowDc dc(nullptr);
  if (dc) {
    const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    if (dpi > 0) return static_cast<unsigned>(dpi);
  }
  return kBaseDpi;
}

unsigned systemDpi() noexcept {
  const auto getDpi = loadedSystemFunctions().getDpiForSystem;
  const UINT dpi = getDpi != nullptr ? getDpi() : 0;
  return dpi != 0 ? dpi : kBaseDpi;
}

UniqueFont createMessageFont(unsigned dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  const auto forDpi = loadedSystemFunctions().systemParametersInfoForDpi;
  // Without the per-DPI query the system is not per-monitor aware, so every
  // window is drawn at the system DPI the plain query answers for.
  const BOOL ok =
      forDpi != nullptr
          ? forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)
          : SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics),
                                  &metrics, 0);
  if (!ok) throwLastError("SystemParametersInfo(SPI_GETNONCLIENTMETRICS)");
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (font == nullptr) throwLastError("CreateFontIndirectW");
  return UniqueFont(font);
}

}  // namespace quorvo::platform::win32
