// The skin: brushed metal. The window's background is one bitmap; labels, check boxes and
// containers paint it under themselves with the brush origin of their place in the window, so
// they look transparent.
#include <algorithm>
#include <cstdint>
#include <string>

#include "toolkit/win32/win32_window.h"

namespace toolkit::win32 {

namespace {

struct Rgb {
    int r, g, b;
};

Rgb Mix(Rgb a, Rgb b, int num, int den) {
    if (den <= 0) {
        return a;
    }
    return {a.r + (b.r - a.r) * num / den, a.g + (b.g - a.g) * num / den,
            a.b + (b.b - a.b) * num / den};
}

COLORREF Ref(Rgb c) {
    auto clamp = [](int v) { return static_cast<BYTE>(std::clamp(v, 0, 255)); };
    return RGB(clamp(c.r), clamp(c.g), clamp(c.b));
}

// A fixed pseudo-random sequence, so that every run paints the same metal.
class Noise {
  public:
    int Next(int range) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 16) % static_cast<std::uint32_t>(2 * range + 1)) - range;
    }

  private:
    std::uint32_t state_ = 0x2545F491u;
};

constexpr Rgb kMetalTop{236, 238, 241};
constexpr Rgb kMetalBottom{190, 194, 201};
constexpr Rgb kFaceTop{250, 251, 252};
constexpr Rgb kFaceBottom{201, 206, 213};
constexpr Rgb kPressedTop{178, 184, 193};
constexpr Rgb kPressedBottom{222, 225, 230};
constexpr Rgb kBorder{104, 110, 120};
constexpr Rgb kLight{255, 255, 255};
constexpr Rgb kShade{128, 133, 141};

void VerticalGradient(HDC dc, const RECT& rc, Rgb top, Rgb bottom) {
    int height = rc.bottom - rc.top;
    for (int y = 0; y < height; ++y) {
        HBRUSH line = CreateSolidBrush(Ref(Mix(top, bottom, y, height - 1)));
        RECT row{rc.left, rc.top + y, rc.right, rc.top + y + 1};
        FillRect(dc, &row, line);
        DeleteObject(line);
    }
}

void Line(HDC dc, int x0, int y0, int x1, int y1, Rgb color) {
    HPEN pen = CreatePen(PS_SOLID, 1, Ref(color));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// Leaves the child windows out of a container's painting.
void ExcludeChildren(HWND hwnd, HDC dc) {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        RECT rc;
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
        ExcludeClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    }
}

HFONT FontOf(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
}

}  // namespace

HBITMAP CreateMetalBitmap(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        return bitmap;
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);
    Noise noise;
    for (int y = 0; y < height; ++y) {
        Rgb base = Mix(kMetalTop, kMetalBottom, y, std::max(1, height - 1));
        int streak = noise.Next(4);  // brushed: every row a little lighter or darker
        for (int x = 0; x < width; ++x) {
            int grain = noise.Next(2) + ((x / 37 + y) % 7 == 0 ? 1 : 0);
            int r = std::clamp(base.r + streak + grain, 0, 255);
            int g = std::clamp(base.g + streak + grain, 0, 255);
            int b = std::clamp(base.b + streak + grain + 1, 0, 255);
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)] =
                static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
        }
    }
    return bitmap;
}

void DrawPushButton(const DRAWITEMSTRUCT& item, HBRUSH background, HFONT font) {
    HDC dc = item.hDC;
    RECT rc = item.rcItem;
    FillRect(dc, &rc, background);
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    bool disabled = (item.itemState & ODS_DISABLED) != 0;

    HRGN face = CreateRoundRectRgn(rc.left, rc.top, rc.right + 1, rc.bottom + 1, 6, 6);
    SelectClipRgn(dc, face);
    VerticalGradient(dc, rc, pressed ? kPressedTop : kFaceTop,
                     pressed ? kPressedBottom : kFaceBottom);
    SelectClipRgn(dc, nullptr);
    DeleteObject(face);

    HPEN pen = CreatePen(PS_SOLID, 1, Ref(kBorder));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, rc.left, rc.top, rc.right, rc.bottom, 6, 6);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    int length = GetWindowTextLengthW(item.hwndItem);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(item.hwndItem, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    HGDIOBJ oldFont = SelectObject(dc, font != nullptr ? font : FontOf(item.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_WINDOWTEXT));
    RECT textRect = rc;
    if (pressed) {
        OffsetRect(&textRect, 1, 1);
    }
    DrawTextW(dc, text.c_str(), length, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = rc;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void PaintPanel(HWND hwnd, HDC dc, HBRUSH background) {
    int saved = SaveDC(dc);
    ExcludeChildren(hwnd, dc);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, background);
    // A raised bevel, as a panel has.
    Line(dc, rc.left, rc.bottom - 1, rc.left, rc.top, kLight);
    Line(dc, rc.left, rc.top, rc.right - 1, rc.top, kLight);
    Line(dc, rc.right - 1, rc.top, rc.right - 1, rc.bottom - 1, kShade);
    Line(dc, rc.left, rc.bottom - 1, rc.right, rc.bottom - 1, kShade);
    int length = GetWindowTextLengthW(hwnd);
    if (length > 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd, text.data(), length + 1);
        HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), length, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, oldFont);
    }
    RestoreDC(dc, saved);
}

void PaintGroupBox(HWND hwnd, HDC dc, HBRUSH background) {
    int saved = SaveDC(dc);
    ExcludeChildren(hwnd, dc);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, background);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT frame = rc;
    frame.top += metrics.tmHeight / 2;
    Line(dc, frame.left, frame.top, frame.right - 1, frame.top, kShade);
    Line(dc, frame.left, frame.top, frame.left, frame.bottom - 1, kShade);
    Line(dc, frame.left + 1, frame.top + 1, frame.right - 2, frame.top + 1, kLight);
    Line(dc, frame.left + 1, frame.top + 1, frame.left + 1, frame.bottom - 2, kLight);
    Line(dc, frame.right - 2, frame.top, frame.right - 2, frame.bottom - 2, kShade);
    Line(dc, frame.left, frame.bottom - 2, frame.right - 1, frame.bottom - 2, kShade);
    Line(dc, frame.right - 1, frame.top, frame.right - 1, frame.bottom, kLight);
    Line(dc, frame.left, frame.bottom - 1, frame.right, frame.bottom - 1, kLight);

    int length = GetWindowTextLengthW(hwnd);
    if (length > 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd, text.data(), length + 1);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
        // The caption, blanks and all, lies on the frame and hides it where it stands.
        int indent = MulDiv(8, GetDeviceCaps(dc, LOGPIXELSX), 96);
        RECT caption{indent, 0, indent + extent.cx, metrics.tmHeight};
        FillRect(dc, &caption, background);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
        DrawTextW(dc, text.c_str(), length, &caption, DT_LEFT | DT_TOP | DT_SINGLELINE);
    }
    SelectObject(dc, oldFont);
    RestoreDC(dc, saved);
}

}  // namespace toolkit::win32
