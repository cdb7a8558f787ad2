#include "WinKit.h"

#include "Pictures.h"

// clang-format off
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>
// clang-format on

RECT PlaceAtNewDpi(HWND window, LPARAM suggested, SIZE size)
{
    RECT place {};
    if (suggested != 0) {
        place = *reinterpret_cast<const RECT*>(suggested);
    } else {
        GetWindowRect(window, &place);
    }
    return RECT {place.left, place.top, place.left + size.cx, place.top + size.cy};
}

DpiScale::DpiScale()
{
    const HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi <= 0) {
        dpi = 96;
    }
}

HFONT CreateWindowFont(const DpiScale& scale)
{
    return CreateFontW(-MulDiv(8, scale.Dpi(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"Microsoft Sans Serif");
}

HFONT CreateButtonFont(const DpiScale& scale)
{
    return CreateFontW(-scale(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

SIZE MeasureText(HFONT font, const wchar_t* text)
{
    SIZE size {};
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

std::wstring Wide(const std::string& text)
{
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

Picture::Picture(Name name)
{
    const PictureData data = name == Name::Card ? CardPicture() : TitlePicture();
    IStream* source = SHCreateMemStream(data.bytes, static_cast<UINT>(data.size));
    if (source == nullptr) {
        return;
    }
    stream = source;
    bitmap = Gdiplus::Bitmap::FromStream(source);
}

Picture::~Picture()
{
    delete static_cast<Gdiplus::Bitmap*>(bitmap);
    if (stream != nullptr) {
        static_cast<IStream*>(stream)->Release();
    }
}

void Picture::Draw(HDC dc, const RECT& place) const
{
    auto* image = static_cast<Gdiplus::Bitmap*>(bitmap);
    if (image == nullptr) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(image, Gdiplus::Rect(place.left, place.top, place.right - place.left, place.bottom - place.top));
}

PictureLibrary::PictureLibrary()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

PictureLibrary::~PictureLibrary()
{
    Gdiplus::GdiplusShutdown(token);
}
