#pragma once

#include "base/UniqueResource.h"

#include <windows.h>

#include <utility>

// Owners of GDI and USER drawing resources, so that a paint path releases
// everything it took on every return.

template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
using ScopedBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using ScopedFont = UniqueResource<GdiObjectTraits<HFONT>>;
using ScopedPen = UniqueResource<GdiObjectTraits<HPEN>>;
using ScopedBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using ScopedRegion = UniqueResource<GdiObjectTraits<HRGN>>;

struct IconTraits {
    using Type = HICON;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
using ScopedIcon = UniqueResource<IconTraits>;

// A memory DC from CreateCompatibleDC (or CreateDC), deleted with DeleteDC.
struct CreatedDcTraits {
    using Type = HDC;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteDC(h); }
};
using ScopedCreatedDC = UniqueResource<CreatedDcTraits>;

// A DC from GetDC or GetWindowDC, released to its window.
class ScopedWindowDC {
public:
    ScopedWindowDC() = default;
    explicit ScopedWindowDC(HWND hwnd) : hwnd_(hwnd), hdc_(GetDC(hwnd)) {}
    ScopedWindowDC(HWND hwnd, HDC hdc) : hwnd_(hwnd), hdc_(hdc) {}
    ~ScopedWindowDC() { Reset(); }

    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    ScopedWindowDC(ScopedWindowDC&& other) noexcept : hwnd_(other.hwnd_), hdc_(std::exchange(other.hdc_, nullptr)) {}
    ScopedWindowDC& operator=(ScopedWindowDC&& other) noexcept
    {
        if (this != &other) {
            Reset();
            hwnd_ = other.hwnd_;
            hdc_ = std::exchange(other.hdc_, nullptr);
        }
        return *this;
    }

    HDC Get() const { return hdc_; }
    bool Valid() const { return hdc_ != nullptr; }
    explicit operator bool() const { return Valid(); }

    void Reset()
    {
        if (hdc_ != nullptr)
            ReleaseDC(hwnd_, std::exchange(hdc_, nullptr));
    }

    // The caller releases the DC to Window().
    [[nodiscard]] HDC Release() { return std::exchange(hdc_, nullptr); }
    HWND Window() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
    HDC hdc_ = nullptr;
};

// Selects an object into a DC and the previous one back at the end of the
// scope, so that the object can be deleted afterwards. A null object selects
// nothing.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC hdc, HGDIOBJ object)
        : hdc_(hdc), old_(object != nullptr ? SelectObject(hdc, object) : nullptr)
    {
    }
    ~ScopedSelectObject()
    {
        if (old_ != nullptr && old_ != HGDI_ERROR)
            SelectObject(hdc_, old_);
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

    // The object that was selected before.
    HGDIOBJ Previous() const { return old_; }

private:
    HDC hdc_;
    HGDIOBJ old_;
};

// SaveDC now, RestoreDC to exactly that state at the end of the scope (clip
// region, selected objects, modes).
class ScopedSaveDC {
public:
    explicit ScopedSaveDC(HDC hdc) : hdc_(hdc), saved_(SaveDC(hdc)) {}
    ~ScopedSaveDC()
    {
        if (saved_ != 0)
            RestoreDC(hdc_, saved_);
    }
    ScopedSaveDC(const ScopedSaveDC&) = delete;
    ScopedSaveDC& operator=(const ScopedSaveDC&) = delete;

private:
    HDC hdc_;
    int saved_;
};
