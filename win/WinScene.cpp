#include "WinScene.h"

#include "Platform.h"
#include "PortInfo.h"
#include "WinControls.h"
#include "WinKit.h"

#include <richedit.h>

#include <vector>

namespace {

constexpr int ConvertedUnits = 1000;

void AppendText(HWND box, const std::wstring& text, const CHARFORMAT2W& format)
{
    CHARRANGE end {-1, -1};
    SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(box, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Place(HWND control, const RECT& r)
{
    MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}


// The port box sits above the first button, its right edge on the
// rich-edit box's right edge, the gap of "WW" between them.
void PlacePortBox(const WinSceneControls& c)
{
    const RECT box = PlaceOf(c.box);
    const RECT port = PlaceOf(c.portBox);
    const RECT button = PlaceOf(c.button1);
    const int width = port.right - port.left;
    const int height = port.bottom - port.top;
    SetWindowPos(c.portBox, nullptr, box.right - width, button.top - height - c.portGap, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

void FillPortBox(HWND portBox, int portNumber)
{
    const std::string typed = WindowText(portBox);
    std::vector<std::string> list;
    if (PortBoxWantsList(typed)) {
        FillPortList(portBox);
        const int count = static_cast<int>(SendMessageW(portBox, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char item[32] {};
            if (SendMessageA(portBox, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(sizeof item)) {
                SendMessageA(portBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            }
            list.emplace_back(item);
        }
    }
    SetWindowTextA(portBox, PortBoxText(typed, list, portNumber).c_str());
}

HWND ControlOf(const WinSceneControls& c, SceneControl which)
{
    switch (which) {
    case SceneControl::Button1:
        return c.button1;
    case SceneControl::Button2:
        return c.button2;
    case SceneControl::None:
        break;
    }
    return nullptr;
}

} // namespace

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int n = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

void DrawLines(HWND box, const std::vector<SceneLine>& lines)
{
    SendMessageW(box, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(box, L"");
    bool first = true;
    for (const SceneLine& line : lines) {
        CHARFORMAT2W format {};
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR | CFM_SIZE | CFM_BOLD;
        format.crTextColor = line.color;  // red in the low byte, as COLORREF has it
        format.yHeight = 8 * 20;           // twips
        format.dwEffects = line.emphasis ? CFE_BOLD : 0;
        AppendText(box, (first ? L"" : L"\r") + Wide(line.text), format);
        first = false;
    }
    SendMessageW(box, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(box, nullptr, TRUE);
}

void DrawScene(const WinSceneControls& c, const SceneView& view, int portNumber)
{
    DrawLines(c.box, view.lines);

    SetWindowTextA(c.button1, view.caption1.c_str());
    ShowWindow(c.button1, view.showButton1 ? SW_SHOWNA : SW_HIDE);
    SetWindowTextA(c.button2, view.caption2.c_str());
    ShowWindow(c.button2, view.showButton2 ? SW_SHOWNA : SW_HIDE);
    if (c.progressBar != nullptr) {
        ShowWindow(c.progressBar, view.showProgress ? SW_SHOWNA : SW_HIDE);
    }
    if (c.portBox != nullptr) {
        ShowWindow(c.portBox, view.showPortBox ? SW_SHOWNA : SW_HIDE);
    }

    Place(c.button1, c.home1);
    Place(c.button2, c.home2);
    if (c.portBox != nullptr && view.showPortBox) {
        PlacePortBox(c);
        FillPortBox(c.portBox, portNumber);
    }
    if (view.button1AtSecondPlace) {
        Place(c.button1, c.home2);
    }

    if (HWND focus = ControlOf(c, view.focus)) {
        EnableWindow(focus, TRUE);
        SetFocus(focus);
    }
}

void FreePortItems(HWND portBox)
{
    const int count = static_cast<int>(SendMessageW(portBox, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT data = SendMessageW(portBox, CB_GETITEMDATA, i, 0);
        if (data != 0 && data != CB_ERR) {
            delete reinterpret_cast<std::string*>(data);
            SendMessageW(portBox, CB_SETITEMDATA, i, 0);
        }
    }
}

void FillPortList(HWND portBox)
{
    const std::string typed = WindowText(portBox);
    FreePortItems(portBox);
    SendMessageW(portBox, CB_RESETCONTENT, 0, 0);
    for (const PortInfo& port : DescribePorts(PlatformComPorts())) {
        const int at = static_cast<int>(
            SendMessageA(portBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(port.number).c_str())));
        // The description lives as long as the item (FreePortItems).
        auto* line = new std::string(PortInfoLine(port));
        SendMessageW(portBox, CB_SETITEMDATA, at, reinterpret_cast<LPARAM>(line));
    }
    SetWindowTextA(portBox, typed.c_str());
}

void MeasurePortItem(MEASUREITEMSTRUCT& item, HFONT font)
{
    item.itemHeight = static_cast<UINT>(MeasureText(font, L"COM255Wg").cy + 2);
}

void DrawPortItem(const DRAWITEMSTRUCT& item, HFONT font)
{
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1)) {
        return;
    }
    char number[32] {};
    if (SendMessageA(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0) < static_cast<LRESULT>(sizeof number)) {
        SendMessageA(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(number));
    }
    std::string text = number;
    // In the list each number is followed by what the system says of its
    // port ("COM5  \Device\VCP0  USB Serial Port (COM5)").
    if ((item.itemState & ODS_COMBOBOXEDIT) == 0 && item.itemData != 0 && item.itemData != static_cast<ULONG_PTR>(CB_ERR)) {
        text += "   " + *reinterpret_cast<const std::string*>(item.itemData);
    }
    const HGDIOBJ old = SelectObject(item.hDC, font);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT r = item.rcItem;
    r.left += 2;
    const std::wstring wide = Wide(text);
    DrawTextW(item.hDC, wide.c_str(), static_cast<int>(wide.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(item.hDC, old);
}

int MessageBoxCp932(HWND owner, const std::string& text, const std::string& caption, UINT style)
{
    std::vector<wchar_t> wideText(ConvertedUnits);
    std::vector<wchar_t> wideCaption(ConvertedUnits);
    if (MultiByteToWideChar(932, 0, text.c_str(), -1, wideText.data(), ConvertedUnits) == 0) {
        return IDCANCEL;
    }
    if (MultiByteToWideChar(932, 0, caption.c_str(), -1, wideCaption.data(), ConvertedUnits) == 0) {
        return IDCANCEL;
    }
    return MessageBoxW(owner, wideText.data(), wideCaption.data(), style);
}
