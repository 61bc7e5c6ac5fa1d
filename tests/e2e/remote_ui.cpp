#include "remote_ui.h"

#include <cstdlib>

namespace ui {

namespace {

// Control IDs of the common dialogs (dlgs.h) and of the message box.
constexpr int kFileNameBox = 0x47c;  // cmb13
constexpr int kMessageText = 0xFFFF;

// A sent message that gives up instead of hanging the driver on a product
// that no longer answers.
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr)
{
    DWORD_PTR result = 0;
    LRESULT ok = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    if (answered)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

// The same for messages that carry text, which crosses in UTF-16.
LRESULT SendW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered = nullptr)
{
    DWORD_PTR result = 0;
    LRESULT ok = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    if (answered)
        *answered = ok != 0;
    return static_cast<LRESULT>(result);
}

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param)
{
    Search* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

bool IsDialogClass(HWND window)
{
    return ClassOf(window) == "#32770";
}

// A bitmap's pixels as 0x00RRGGBB, top row first. The bitmap must not be
// selected into memory.
std::vector<DWORD> BitmapPixels(HDC memory, HBITMAP bitmap, int width, int height)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (DWORD& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

// The screen's pixels under a window rectangle, 32-bit, top row first.
std::vector<DWORD> ScreenPixels(const RECT& rect)
{
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    std::vector<DWORD> pixels = BitmapPixels(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// An icon drawn at width x height over a background colour, as a static
// icon control or a caption draws it.
std::vector<DWORD> DrawnIcon(HICON icon, int width, int height, DWORD background)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // DIB pixels are 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
    HBRUSH brush = CreateSolidBrush(RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF));
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    SelectObject(memory, old);
    std::vector<DWORD> pixels = BitmapPixels(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Pixels that differ by more than a little in some channel.
size_t Differences(const std::vector<DWORD>& a, const std::vector<DWORD>& b)
{
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            int delta = static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
            if (std::abs(delta) > 16) {
                ++count;
                break;
            }
        }
    }
    return count;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    Search search{processId, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::wstring Wide(const std::string& gbk)
{
    int length = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0], length);
    return wide;
}

std::string Gbk(const std::wstring& wide)
{
    int size = static_cast<int>(wide.size());
    int length = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string gbk(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), size, &gbk[0], length, nullptr, nullptr);
    return gbk;
}

std::wstring WideTextOf(HWND window)
{
    if (!window)
        return L"";
    LRESULT length = SendW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied) < text.size() ? static_cast<size_t>(copied) : 0);
    return text;
}

std::string TextOf(HWND window)
{
    return Gbk(WideTextOf(window));
}

bool SetWideText(HWND window, const std::wstring& text)
{
    bool answered = false;
    LRESULT ok = SendW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &answered);
    return answered && ok;
}

bool SetText(HWND window, const std::string& text)
{
    return SetWideText(window, Wide(text));
}

bool Type(HWND edit, const std::string& text)
{
    bool answered = false;
    Send(edit, EM_SETSEL, 0, -1, &answered);
    if (!answered)
        return false;
    if (text.empty())
        Send(edit, WM_CHAR, VK_BACK, 1);
    for (char c : text)
        Send(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    return TextOf(edit) == text;
}

bool TypeKey(HWND edit, char key)
{
    bool answered = false;
    Send(edit, WM_CHAR, static_cast<unsigned char>(key), 1, &answered);
    return answered;
}

HWND FocusOf(DWORD threadId)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId, &info))
        return nullptr;
    return info.hwndFocus;
}

bool FocusControl(HWND dialog, HWND control)
{
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    return WaitUntil([&] { return FocusOf(thread) == control; }, 3000);
}

void Click(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void PressKey(HWND focused, UINT virtualKey)
{
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16;
    PostMessageA(focused, WM_KEYDOWN, virtualKey, scan | 1);
    PostMessageA(focused, WM_KEYUP, virtualKey, scan | 1 | 0xC0000000);
}

const char* NameOf(Icon icon)
{
    switch (icon) {
    case Icon::None: return "no icon";
    case Icon::Warning: return "warning icon";
    case Icon::Information: return "information icon";
    case Icon::Error: return "error icon";
    case Icon::Question: return "question icon";
    case Icon::Unknown: return "unknown icon";
    }
    return "?";
}

HWND FindFileDialog(DWORD processId)
{
    for (HWND window : TopLevelWindows(processId)) {
        if (IsDialogClass(window) && GetDlgItem(window, kFileNameBox))
            return window;
    }
    return nullptr;
}

HWND FindMessageBox(DWORD processId)
{
    for (HWND window : TopLevelWindows(processId)) {
        // The main dialog's labels have the ID -1 too; its field 1000
        // tells it apart.
        if (IsDialogClass(window) && GetDlgItem(window, kMessageText) && !GetDlgItem(window, kFileNameBox)
            && !GetDlgItem(window, 1000) && !GetDlgItem(window, kProgressBar))
            return window;
    }
    return nullptr;
}

HWND FindProgressWindow(DWORD processId)
{
    for (HWND window : TopLevelWindows(processId)) {
        if (IsDialogClass(window) && GetDlgItem(window, kProgressBar))
            return window;
    }
    return nullptr;
}

Icon IconShown(HWND control)
{
    RECT rect;
    if (!GetWindowRect(control, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return Icon::None;
    // The box's background, just left of the control.
    RECT beside = {rect.left - 1, rect.top, rect.left, rect.top + 1};
    DWORD background = ScreenPixels(beside)[0];
    std::vector<DWORD> shown = ScreenPixels(rect);
    bool blank = true;
    for (DWORD pixel : shown)
        blank = blank && pixel == background;
    if (blank)
        return Icon::None;

    struct Candidate {
        Icon icon;
        LPCSTR resource;
    };
    const Candidate candidates[] = {
        {Icon::Warning, IDI_EXCLAMATION},
        {Icon::Information, IDI_ASTERISK},
        {Icon::Error, IDI_HAND},
        {Icon::Question, IDI_QUESTION},
    };
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    Icon best = Icon::Unknown;
    size_t fewest = shown.size() / 50 + 1;  // at most 2 % of the pixels off
    for (const Candidate& candidate : candidates) {
        size_t off = Differences(shown, DrawnIcon(LoadIconA(nullptr, candidate.resource), width, height, background));
        if (off < fewest) {
            fewest = off;
            best = candidate.icon;
        }
    }
    return best;
}

bool ScreenShowsIcon(const RECT& area, HICON icon, int size)
{
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (!icon || width < size + 1 || height < size)
        return false;
    std::vector<DWORD> shown = ScreenPixels(area);
    std::vector<DWORD> spot(static_cast<size_t>(size) * size);
    for (int top = 0; top + size <= height; ++top) {
        for (int left = 1; left + size <= width; ++left) {
            // The background, taken just left of the spot.
            DWORD background = shown[static_cast<size_t>(top) * width + left - 1];
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    spot[static_cast<size_t>(y) * size + x] = shown[static_cast<size_t>(top + y) * width + left + x];
            if (Differences(spot, DrawnIcon(icon, size, size, background)) <= spot.size() / 50)
                return true;
        }
    }
    return false;
}

MessageBoxSeen ReadMessageBox(HWND box)
{
    MessageBoxSeen seen;
    seen.window = box;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = TextOf(box);
    seen.text = TextOf(GetDlgItem(box, kMessageText));
    HWND iconControl = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        std::string kind = ClassOf(child);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (kind == "Button")
            seen.buttons.push_back(GetDlgCtrlID(child));
        else if (kind == "Static" && (style & SS_TYPEMASK) == SS_ICON)
            iconControl = child;
    }
    // The box may not have painted yet when it first shows.
    if (iconControl)
        WaitUntil([&] { return (seen.icon = IconShown(iconControl)) != Icon::None && seen.icon != Icon::Unknown; },
                  3000);
    return seen;
}

bool AnswerFileDialog(HWND dialog, const std::wstring& name)
{
    // Setting the ComboBoxEx's text fills its edit field, which is what
    // the dialog reads on OK.
    HWND nameBox = GetDlgItem(dialog, kFileNameBox);
    if (!SetWideText(nameBox, name) || WideTextOf(nameBox) != name)
        return false;
    return CloseDialog(dialog, IDOK);
}

bool AnswerFileDialog(HWND dialog, const std::string& name)
{
    return AnswerFileDialog(dialog, Wide(name));
}

bool CloseDialog(HWND dialog, int command, DWORD timeoutMs)
{
    Click(dialog, command);
    return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs);
}

}  // namespace ui
