#pragma once
#include <windows.h>

#include <string>

// What both Win32 windows share: the screen's scale, their fonts, the
// pictures compiled into the program, and texts for the wide calls.

// Pixels of the 96-dpi layout at the screen's resolution.
class DpiScale {
public:
    DpiScale();
    explicit DpiScale(int dotsPerInch) : dpi(dotsPerInch) {}
    int operator()(int pixels) const { return MulDiv(pixels, dpi, 96); }
    int Dpi() const { return dpi; }

private:
    int dpi = 96;
};

// Where a window goes when the resolution it is drawn at changes
// (WM_DPICHANGED): the place the system suggests, or, without one, where it
// stands now; size is the window's outer size at the new resolution.
RECT PlaceAtNewDpi(HWND window, LPARAM suggested, SIZE size);

// The windows' font ("MS Sans Serif" at 8 points, drawn by its TrueType
// successor so that it stays sharp when scaled) and the main window's
// buttons' font ("Arial", 12 pixels high at 96 dpi). The caller frees it.
HFONT CreateWindowFont(const DpiScale& scale);
HFONT CreateButtonFont(const DpiScale& scale);

// The width and height of text drawn in font.
SIZE MeasureText(HFONT font, const wchar_t* text);

// An 8-bit text of the system's code page as UTF-16.
std::wstring Wide(const std::string& text);

// A picture compiled into the program, drawn scaled into a rectangle.
class Picture {
public:
    enum class Name { Card, Title };
    explicit Picture(Name name);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    void Draw(HDC dc, const RECT& place) const;

private:
    void* bitmap = nullptr;  // Gdiplus::Bitmap
    void* stream = nullptr;  // IStream the bitmap reads
};

// GDI+ for the life of the object (the pictures need it).
class PictureLibrary {
public:
    PictureLibrary();
    ~PictureLibrary();
    PictureLibrary(const PictureLibrary&) = delete;
    PictureLibrary& operator=(const PictureLibrary&) = delete;

private:
    ULONG_PTR token = 0;
};
