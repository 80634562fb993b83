// Move-only owners of Win32 handles: each handle type is a unique_ptr whose
// deleter releases it the way the system wants, so no handle leaks on an
// early return or an exception, and none is ever released twice.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace quorvo::platform::win32 {

// Releases a handle with the system function `Release`.
template <auto Release>
struct Closer {
  template <typename Handle>
  void operator()(Handle handle) const noexcept {
    (void)Release(handle);
  }
};

// An owner of a `Handle` (a pointer type, as every Win32 handle is) that
// `Release` releases; null is no handle.
template <typename Handle, auto Release>
using UniqueOwner =
    std::unique_ptr<std::remove_pointer_t<Handle>, Closer<Release>>;

using UniqueWindow = UniqueOwner<HWND, &DestroyWindow>;
using UniqueMenu = UniqueOwner<HMENU, &DestroyMenu>;
using UniqueFont = UniqueOwner<HFONT, &DeleteObject>;
using UniqueKey = UniqueOwner<HKEY, &RegCloseKey>;
// Kernel handles that are null on failure (mutexes, processes, threads).
using UniqueHandle = UniqueOwner<HANDLE, &CloseHandle>;

// A window's device context, released when the owner goes.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept
      : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) (void)ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory device context compatible with the screen, for measuring text in
// a font it keeps selected; the DC's own font is put back before it goes.
class MeasuringDc {
 public:
  MeasuringDc() noexcept : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ != nullptr) original_ = GetCurrentObject(dc_, OBJ_FONT);
  }
  ~MeasuringDc() {
    if (dc_ == nullptr) return;
    if (original_ != nullptr) (void)SelectObject(dc_, original_);
    (void)DeleteDC(dc_);
  }
  MeasuringDc(const MeasuringDc&) = delete;
  MeasuringDc& operator=(const MeasuringDc&) = delete;

  // Selects `font`. Until a font is selected, or after the system refused
  // one, the DC is not to be measured with: get() is null then.
  void selectFont(HFONT font) noexcept {
    const HGDIOBJ previous = (dc_ == nullptr || original_ == nullptr)
                                 ? nullptr
                                 : SelectObject(dc_, font);
    fontSelected_ = previous != nullptr && previous != HGDI_ERROR;
  }
  HDC get() const noexcept { return fontSelected_ ? dc_ : nullptr; }

 private:
  HDC dc_;
  HGDIOBJ original_ = nullptr;
  bool fontSelected_ = false;
};

// Selects a GDI object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) {
      (void)SelectObject(dc_, previous_);
    }
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  bool ok() const noexcept {
    return previous_ != nullptr && previous_ != HGDI_ERROR;
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace quorvo::platform::win32
