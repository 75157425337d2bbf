// Drives the windows of a running Win32 program for test scripts: one action per run, texts
// in and out as UTF-8, exit 0 on success, 1 on timeout or when the window or control is not
// there, 2 on bad usage. See usage() below for the actions.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotFound = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 5000;

// --- UTF-8 output ------------------------------------------------------------------------

std::string toUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

// A console gets UTF-16 (so the console's code page does not matter); a pipe or a file gets
// UTF-8 bytes. Lines end with "\n" only.
void writeTo(DWORD which, const std::wstring& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = toUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void out(const std::wstring& line) {
    writeTo(STD_OUTPUT_HANDLE, line + L"\n");
}
void err(const std::wstring& line) {
    writeTo(STD_ERROR_HANDLE, L"uidriver: " + line + L"\n");
}

// One line per text: line breaks become the two characters \n, tabs \t; nothing else changes
// (backslashes of paths stay as they are).
std::wstring oneLine(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'\r') {
            if (i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            result += L"\\n";
        } else if (c == L'\n') {
            result += L"\\n";
        } else if (c == L'\t') {
            result += L"\\t";
        } else {
            result += c;
        }
    }
    return result;
}

std::wstring hex(unsigned long long value) {
    wchar_t buffer[32];
    swprintf(buffer, 32, L"0x%llX", value);
    return buffer;
}

// --- Command line ------------------------------------------------------------------------

struct Options {
    std::wstring action;
    std::vector<std::wstring> args; // positional arguments after the action
    std::wstring windowClass;
    bool hasClass = false;
    DWORD timeoutMs = 10000;
    bool viaCommand = false; // click: WM_COMMAND to the parent instead of BM_CLICK
    int untilEnabled = -1;   // click-until-shown: then wait until this control is back
    bool queryOnly = false;  // end-session: only ask
};

bool parseNumber(const std::wstring& text, long long& value) {
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    value = wcstoll(text.c_str(), &end, 0); // 0x prefix for hexadecimal ids
    return end != nullptr && *end == L'\0';
}

void usage() {
    err(L"usage: uidriver ACTION ARGS... [--timeout MS] [--class CLASS]\n"
        L"  wait-window TITLE            prints \"HWND PID\" of the visible top-level window\n"
        L"  wait-gone TITLE              waits until no such window is left\n"
        L"  message-box TITLE            prints the text, \"buttons: ...\" and \"icon: ...\"\n"
        L"  click TITLE ID [--command]   BM_CLICK (or WM_COMMAND to the parent) on a control\n"
        L"  text TITLE ID                prints the text of a control\n"
        L"  enabled TITLE ID             prints 1 or 0\n"
        L"  visible TITLE ID             prints 1 or 0\n"
        L"  close TITLE                  posts WM_CLOSE to the window\n"
        L"  end-session TITLE [--query-only]\n"
        L"                               sends WM_QUERYENDSESSION as a log-off does, prints the\n"
        L"                               answer (1 may end, 0 refused); then, unless refused or\n"
        L"                               --query-only, WM_ENDSESSION with the session ending\n"
        L"  children TITLE               prints \"ID class visible enabled text\" per control\n"
        L"  listview-select TITLE ID INDEX...\n"
        L"  listview-count TITLE ID\n"
        L"  listview-text TITLE ID INDEX SUBITEM\n"
        L"  progress TITLE ID            prints \"pos min max\"\n"
        L"  click-until-shown TITLE ID CONTROL [--until-enabled OTHER]\n"
        L"                               clicks ID, waits until the program shows another\n"
        L"                               top-level window holding CONTROL; prints the ms;\n"
        L"                               then until control OTHER of TITLE, disabled by the\n"
        L"                               click, is enabled again (polled every 5 ms): its ms\n"
        L"texts are UTF-8; exit 0 ok, 1 timeout or not found, 2 bad usage");
}

// The wide command line carries the texts exactly as the caller wrote them: Wine decodes the
// UTF-8 of a Unix command line into it, and on Windows it is the UTF-16 original. The narrow
// argv would have gone through the ANSI code page (932) and lost characters.
bool parseCommandLine(Options& options) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr)
        return false;
    std::vector<std::wstring> words(argv + 1, argv + argc);
    LocalFree(argv);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring& word = words[i];
        if (word == L"--timeout" || word == L"--class") {
            if (i + 1 >= words.size()) {
                err(word + L" needs a value");
                return false;
            }
            const std::wstring& value = words[++i];
            if (word == L"--class") {
                options.windowClass = value;
                options.hasClass = true;
            } else {
                long long ms = 0;
                if (!parseNumber(value, ms) || ms < 0 || ms > 0x7FFFFFFF) {
                    err(L"bad --timeout: " + value);
                    return false;
                }
                options.timeoutMs = static_cast<DWORD>(ms);
            }
        } else if (word == L"--command") {
            options.viaCommand = true;
        } else if (word == L"--query-only") {
            options.queryOnly = true;
        } else if (word == L"--until-enabled") {
            long long id = 0;
            if (i + 1 >= words.size() || !parseNumber(words[++i], id) || id < 0 || id > 0xFFFF) {
                err(L"--until-enabled needs a control id");
                return false;
            }
            options.untilEnabled = static_cast<int>(id);
        } else if (word.size() > 2 && word.compare(0, 2, L"--") == 0) {
            err(L"unknown option: " + word);
            return false;
        } else if (options.action.empty()) {
            options.action = word;
        } else {
            options.args.push_back(word);
        }
    }
    return !options.action.empty();
}

// --- Finding windows ---------------------------------------------------------------------

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct Search {
    const Options* options;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM context) {
    Search& search = *reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window))
        return TRUE;
    if (windowText(window) != search.options->args[0])
        return TRUE;
    if (search.options->hasClass && className(window) != search.options->windowClass)
        return TRUE;
    search.found.push_back(window);
    return TRUE;
}

// Visible top-level windows with exactly the title args[0] (and the class, when given).
std::vector<HWND> matchingWindows(const Options& options) {
    Search search{&options, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK findChildById(HWND window, LPARAM context) {
    ChildSearch& search = *reinterpret_cast<ChildSearch*>(context);
    if (GetDlgCtrlID(window) == search.id) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A direct child first; otherwise any descendant (controls inside child dialogs).
HWND findChild(HWND parent, int id) {
    HWND child = GetDlgItem(parent, id);
    if (child != nullptr)
        return child;
    ChildSearch search{id, nullptr};
    EnumChildWindows(parent, findChildById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls until pick() returns true or the timeout ends.
template <typename Pick> bool waitFor(DWORD timeoutMs, Pick pick) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (pick())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

std::wstring describeWindow(const Options& options) {
    std::wstring what = L"window \"" + options.args[0] + L"\"";
    if (options.hasClass)
        what += L" of class " + options.windowClass;
    return what;
}

// Waits for a matching window that has a control with the id (several windows may share a
// title, a program's main window and its message boxes for instance).
bool waitForControl(const Options& options, int id, HWND& window, HWND& control) {
    bool seenWindow = false;
    bool ok = waitFor(options.timeoutMs, [&] {
        for (HWND candidate : matchingWindows(options)) {
            seenWindow = true;
            HWND child = findChild(candidate, id);
            if (child != nullptr) {
                window = candidate;
                control = child;
                return true;
            }
        }
        return false;
    });
    if (!ok) {
        if (seenWindow)
            err(L"timeout: no control " + std::to_wstring(id) + L" in " + describeWindow(options));
        else
            err(L"timeout: no " + describeWindow(options));
    }
    return ok;
}

bool waitForWindow(const Options& options, HWND& window) {
    bool ok = waitFor(options.timeoutMs, [&] {
        std::vector<HWND> found = matchingWindows(options);
        if (found.empty())
            return false;
        window = found.front();
        return true;
    });
    if (!ok)
        err(L"timeout: no " + describeWindow(options));
    return ok;
}

// WM_GETTEXT is marshalled between processes by the system.
bool controlText(HWND control, std::wstring& text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &length))
        return false;
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        return false;
    text.assign(buffer.data(), copied < buffer.size() ? copied : buffer.size() - 1);
    return true;
}

// --- Memory in the target process --------------------------------------------------------

// A block allocated in the process owning a window: the common controls read and write the
// structures of LVM_ messages at the address they receive, in their own address space.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                   PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_ != nullptr)
            address_ =
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_ != nullptr)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return address_ != nullptr; }
    char* address() const { return static_cast<char*>(address_); }
    bool write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               WriteProcessMemory(process_, address() + offset, data, size, &done) && done == size;
    }
    bool read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        return offset + size <= size_ &&
               ReadProcessMemory(process_, address() + offset, data, size, &done) && done == size;
    }

private:
    size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

bool send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               &result) != 0;
}

bool isListView(HWND control) {
    if (className(control) == WC_LISTVIEWW)
        return true;
    err(L"control " + std::to_wstring(GetDlgCtrlID(control)) + L" is a " + className(control) +
        L", not a list view");
    return false;
}

// --- Message boxes -----------------------------------------------------------------------

struct Children {
    std::vector<HWND> all;
};

BOOL CALLBACK collectChild(HWND window, LPARAM context) {
    reinterpret_cast<Children*>(context)->all.push_back(window);
    return TRUE;
}

std::vector<HWND> childrenOf(HWND parent) {
    Children children;
    EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&children));
    return children.all;
}

bool isIconStatic(HWND child) {
    return _wcsicmp(className(child).c_str(), L"Static") == 0 &&
           (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// 32-bit top-down pixels of a w x h bitmap drawn by paint(dc).
template <typename Paint> std::vector<DWORD> pixels(int w, int h, Paint paint) {
    std::vector<DWORD> result;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory, screen);
        GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        result.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

bool closeColour(DWORD a, DWORD b) {
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        distance += d < 0 ? -d : d;
    }
    return distance <= 48;
}

// The icon of a message box belongs to the other process, so its handle says nothing here:
// the pixels on screen are compared with the system icons drawn the same way over the same
// background. Empty when no icon matches well.
std::wstring recogniseIcon(HWND iconStatic) {
    RECT rect;
    if (!GetWindowRect(iconStatic, &rect))
        return std::wstring();
    int w = rect.right - rect.left;
    int h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0 || w > 256 || h > 256)
        return std::wstring();
    std::vector<DWORD> shown = pixels(w, h, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
    });
    if (shown.empty())
        return std::wstring();
    DWORD background = shown[0]; // the corners of the system icons are transparent
    struct Candidate {
        LPCWSTR resource;
        const wchar_t* name;
    };
    // IDI_HAND, IDI_EXCLAMATION, IDI_QUESTION and IDI_ASTERISK, as wide resource names.
    const Candidate candidates[] = {{MAKEINTRESOURCEW(32513), L"stop"},
                                    {MAKEINTRESOURCEW(32515), L"exclamation"},
                                    {MAKEINTRESOURCEW(32514), L"question"},
                                    {MAKEINTRESOURCEW(32516), L"information"}};
    std::wstring best;
    double bestScore = 0.0;
    double secondScore = 0.0;
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, candidate.resource);
        if (icon == nullptr)
            continue;
        std::vector<DWORD> drawn = pixels(w, h, [&](HDC memory, HDC) {
            HBRUSH brush = CreateSolidBrush(
                RGB(GetBValue(background), GetGValue(background), GetRValue(background)));
            RECT all = {0, 0, w, h};
            FillRect(memory, &all, brush);
            DeleteObject(brush);
            DrawIconEx(memory, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
        });
        if (drawn.size() != shown.size())
            continue;
        size_t same = 0;
        for (size_t i = 0; i < shown.size(); ++i)
            same += closeColour(shown[i], drawn[i]) ? 1 : 0;
        double score = static_cast<double>(same) / static_cast<double>(shown.size());
        if (score > bestScore) {
            secondScore = bestScore;
            bestScore = score;
            best = candidate.name;
        } else if (score > secondScore) {
            secondScore = score;
        }
    }
    if (bestScore >= 0.9 && bestScore - secondScore >= 0.02)
        return best;
    return std::wstring();
}

// "none" when the box shows no icon, the icon's name when recognised, empty when unknown.
std::wstring messageBoxIcon(HWND box, DWORD timeoutMs) {
    HWND iconStatic = nullptr;
    for (HWND child : childrenOf(box))
        if (isIconStatic(child)) {
            iconStatic = child;
            break;
        }
    if (iconStatic == nullptr || !IsWindowVisible(iconStatic))
        return L"none";
    DWORD_PTR icon = 0;
    if (send(iconStatic, STM_GETICON, 0, 0, icon) && icon == 0)
        return L"none";
    // The box may not be painted yet right after it appeared.
    std::wstring name;
    DWORD budget = timeoutMs < 2000 ? timeoutMs : 2000;
    waitFor(budget, [&] {
        name = recogniseIcon(iconStatic);
        return !name.empty();
    });
    return name;
}

// --- Actions -----------------------------------------------------------------------------

bool needArgs(const Options& options, size_t count) {
    if (options.args.size() == count)
        return true;
    err(options.action + L" takes " + std::to_wstring(count) + L" argument(s)");
    return false;
}

bool controlId(const std::wstring& text, int& id) {
    long long value = 0;
    if (!parseNumber(text, value) || value < 0 || value > 0xFFFF) {
        err(L"bad control id: " + text);
        return false;
    }
    id = static_cast<int>(value);
    return true;
}

// The control named by the action's second argument in the window its first names: an
// exit code when the arguments are wrong or the control does not come up in time, else 0.
int findControl(const Options& options, int& id, HWND& control) {
    if (!needArgs(options, 2))
        return kExitUsage;
    if (!controlId(options.args[1], id))
        return kExitUsage;
    HWND window = nullptr;
    return waitForControl(options, id, window, control) ? kExitOk : kExitNotFound;
}

// The window the action's first argument names: an exit code when the arguments are wrong
// or the window does not come up in time, else 0.
int findWindow(const Options& options, HWND& window) {
    if (!needArgs(options, 1))
        return kExitUsage;
    return waitForWindow(options, window) ? kExitOk : kExitNotFound;
}

int waitWindow(const Options& options) {
    HWND window = nullptr;
    if (const int failed = findWindow(options, window))
        return failed;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    out(hex(reinterpret_cast<ULONG_PTR>(window)) + L" " + std::to_wstring(pid));
    return kExitOk;
}

int waitGone(const Options& options) {
    if (!needArgs(options, 1))
        return kExitUsage;
    if (waitFor(options.timeoutMs, [&] { return matchingWindows(options).empty(); }))
        return kExitOk;
    err(L"timeout: " + describeWindow(options) + L" is still there");
    return kExitNotFound;
}

int messageBox(Options options) {
    options.windowClass = L"#32770";
    options.hasClass = true;
    ULONGLONG start = GetTickCount64();
    HWND box = nullptr;
    if (const int failed = findWindow(options, box))
        return failed;

    std::wstring text;
    HWND textStatic = GetDlgItem(box, 0xFFFF);
    if (textStatic == nullptr || !controlText(textStatic, text)) {
        text.clear();
        for (HWND child : childrenOf(box)) {
            std::wstring part;
            if (_wcsicmp(className(child).c_str(), L"Static") != 0 || isIconStatic(child) ||
                !controlText(child, part) || part.empty())
                continue;
            text += text.empty() ? part : L"\n" + part;
        }
    }
    out(oneLine(text));

    std::wstring buttons;
    for (HWND child : childrenOf(box)) {
        if (_wcsicmp(className(child).c_str(), L"Button") != 0 || !IsWindowVisible(child))
            continue;
        std::wstring label;
        controlText(child, label);
        buttons += buttons.empty() ? L" " : L", ";
        buttons += std::to_wstring(GetDlgCtrlID(child)) + L"=" + oneLine(label);
    }
    out(L"buttons:" + buttons);

    ULONGLONG spent = GetTickCount64() - start;
    DWORD left = spent < options.timeoutMs ? options.timeoutMs - static_cast<DWORD>(spent) : 0;
    std::wstring icon = messageBoxIcon(box, left);
    if (!icon.empty())
        out(L"icon: " + icon);
    return kExitOk;
}

// Waits until the control is there, visible and enabled (a mouse cannot click it otherwise),
// then posts the click: a posted message does not wait for whatever the click starts, a modal
// dialog for instance.
int click(const Options& options) {
    if (!needArgs(options, 2))
        return kExitUsage;
    int id = 0;
    if (!controlId(options.args[1], id))
        return kExitUsage;
    ULONGLONG start = GetTickCount64();
    HWND window = nullptr;
    HWND control = nullptr;
    if (!waitForControl(options, id, window, control))
        return kExitNotFound;
    ULONGLONG spent = GetTickCount64() - start;
    DWORD left = spent < options.timeoutMs ? options.timeoutMs - static_cast<DWORD>(spent) : 0;
    bool ready = waitFor(left, [&] {
        return IsWindow(control) && IsWindowVisible(control) && IsWindowEnabled(control);
    });
    if (!ready) {
        err(L"timeout: control " + std::to_wstring(id) + L" is not visible and enabled");
        return kExitNotFound;
    }
    BOOL posted = FALSE;
    if (options.viaCommand)
        posted = PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                              reinterpret_cast<LPARAM>(control));
    else
        posted = PostMessageW(control, BM_CLICK, 0, 0);
    if (!posted) {
        err(L"could not post the click, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    return kExitOk;
}

int text(const Options& options) {
    int id = 0;
    HWND control = nullptr;
    if (const int failed = findControl(options, id, control))
        return failed;
    std::wstring value;
    if (!controlText(control, value)) {
        err(L"the control does not answer WM_GETTEXT");
        return kExitNotFound;
    }
    out(oneLine(value));
    return kExitOk;
}

int state(const Options& options, bool enabled) {
    int id = 0;
    HWND control = nullptr;
    if (const int failed = findControl(options, id, control))
        return failed;
    bool on = enabled ? IsWindowEnabled(control) != 0 : IsWindowVisible(control) != 0;
    out(on ? L"1" : L"0");
    return kExitOk;
}

int close(const Options& options) {
    HWND window = nullptr;
    if (const int failed = findWindow(options, window))
        return failed;
    if (!PostMessageW(window, WM_CLOSE, 0, 0)) {
        err(L"could not post WM_CLOSE, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    return kExitOk;
}

// As a log-off does, every window of the title is asked (a program's progress window shares
// its dialog's title) and the session may end only when none refuses. The answers are
// awaited for the whole timeout: a program that is busy answers when it next pumps its
// messages. The program may end inside WM_ENDSESSION, so that call's result is not
// examined.
int endSession(const Options& options) {
    HWND first = nullptr;
    if (const int failed = findWindow(options, first))
        return failed;
    bool mayEnd = true;
    const std::vector<HWND> windows = matchingWindows(options);
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                 options.timeoutMs, &answer)) {
            err(L"no answer to WM_QUERYENDSESSION");
            return kExitNotFound;
        }
        mayEnd = mayEnd && answer != 0;
    }
    out(mayEnd ? L"1" : L"0");
    if (mayEnd && !options.queryOnly)
        for (HWND window : windows) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                options.timeoutMs, &ignored);
        }
    return kExitOk;
}

int children(const Options& options) {
    HWND window = nullptr;
    if (const int failed = findWindow(options, window))
        return failed;
    for (HWND child : childrenOf(window)) {
        std::wstring value;
        controlText(child, value);
        out(std::to_wstring(GetDlgCtrlID(child)) + L" " + className(child) + L" " +
            (IsWindowVisible(child) ? L"1" : L"0") + L" " + (IsWindowEnabled(child) ? L"1" : L"0") +
            L" " + oneLine(value));
    }
    return kExitOk;
}

int listViewCount(const Options& options) {
    int id = 0;
    HWND control = nullptr;
    if (const int failed = findControl(options, id, control))
        return failed;
    if (!isListView(control))
        return kExitNotFound;
    DWORD_PTR count = 0;
    if (!send(control, LVM_GETITEMCOUNT, 0, 0, count)) {
        err(L"the list view does not answer");
        return kExitNotFound;
    }
    out(std::to_wstring(count));
    return kExitOk;
}

// The selection becomes exactly the given items; the last one gets the focus.
int listViewSelect(const Options& options) {
    if (options.args.size() < 3) {
        err(L"listview-select takes TITLE ID INDEX...");
        return kExitUsage;
    }
    int id = 0;
    if (!controlId(options.args[1], id))
        return kExitUsage;
    std::vector<int> indexes;
    for (size_t i = 2; i < options.args.size(); ++i) {
        long long value = 0;
        if (!parseNumber(options.args[i], value) || value < 0 || value > 0x7FFFFFFF) {
            err(L"bad item index: " + options.args[i]);
            return kExitUsage;
        }
        indexes.push_back(static_cast<int>(value));
    }
    HWND window = nullptr;
    HWND control = nullptr;
    if (!waitForControl(options, id, window, control))
        return kExitNotFound;
    if (!isListView(control))
        return kExitNotFound;
    DWORD_PTR count = 0;
    if (!send(control, LVM_GETITEMCOUNT, 0, 0, count))
        return kExitNotFound;
    for (int index : indexes)
        if (static_cast<DWORD_PTR>(index) >= count) {
            err(L"no item " + std::to_wstring(index) + L": the list view holds " +
                std::to_wstring(count));
            return kExitNotFound;
        }

    RemoteBlock block(control, sizeof(LVITEMW));
    if (!block.ok()) {
        err(L"no memory in the target process, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    auto setState = [&](int index, UINT stateBits) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = stateBits;
        DWORD_PTR result = 0;
        return block.write(0, &item, sizeof(item)) &&
               send(control, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(block.address()), result) &&
               result != 0;
    };
    if (!setState(-1, 0)) { // every item
        err(L"the list view refused to clear its selection");
        return kExitNotFound;
    }
    for (int index : indexes)
        if (!setState(index, LVIS_SELECTED | LVIS_FOCUSED)) {
            err(L"the list view refused to select item " + std::to_wstring(index));
            return kExitNotFound;
        }
    DWORD_PTR ignored = 0;
    send(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(indexes.front()), FALSE, ignored);
    return kExitOk;
}

int listViewText(const Options& options) {
    if (!needArgs(options, 4))
        return kExitUsage;
    int id = 0;
    long long index = 0;
    long long subItem = 0;
    if (!controlId(options.args[1], id))
        return kExitUsage;
    if (!parseNumber(options.args[2], index) || index < 0 || index > 0x7FFFFFFF ||
        !parseNumber(options.args[3], subItem) || subItem < 0 || subItem > 0x7FFFFFFF) {
        err(L"bad item index or subitem");
        return kExitUsage;
    }
    HWND window = nullptr;
    HWND control = nullptr;
    if (!waitForControl(options, id, window, control))
        return kExitNotFound;
    if (!isListView(control))
        return kExitNotFound;
    DWORD_PTR count = 0;
    if (!send(control, LVM_GETITEMCOUNT, 0, 0, count))
        return kExitNotFound;
    if (static_cast<DWORD_PTR>(index) >= count) {
        err(L"no item " + std::to_wstring(index) + L": the list view holds " +
            std::to_wstring(count));
        return kExitNotFound;
    }

    constexpr int kChars = 4096;
    const size_t textOffset = (sizeof(LVITEMW) + 15) & ~static_cast<size_t>(15);
    RemoteBlock block(control, textOffset + kChars * sizeof(wchar_t));
    if (!block.ok()) {
        err(L"no memory in the target process, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iSubItem = static_cast<int>(subItem);
    item.pszText = reinterpret_cast<LPWSTR>(block.address() + textOffset);
    item.cchTextMax = kChars;
    wchar_t nothing = L'\0';
    DWORD_PTR length = 0;
    if (!block.write(0, &item, sizeof(item)) ||
        !block.write(textOffset, &nothing, sizeof(nothing)) ||
        !send(control, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
              reinterpret_cast<LPARAM>(block.address()), length)) {
        err(L"the list view does not answer LVM_GETITEMTEXTW");
        return kExitNotFound;
    }
    if (length >= static_cast<DWORD_PTR>(kChars))
        length = kChars - 1;
    std::wstring value(length, L'\0');
    if (length > 0 && !block.read(textOffset, &value[0], length * sizeof(wchar_t))) {
        err(L"could not read the text back");
        return kExitNotFound;
    }
    out(oneLine(value));
    return kExitOk;
}

int progress(const Options& options) {
    int id = 0;
    HWND control = nullptr;
    if (const int failed = findControl(options, id, control))
        return failed;
    if (className(control) != PROGRESS_CLASSW) {
        err(L"control " + std::to_wstring(id) + L" is a " + className(control) +
            L", not a progress bar");
        return kExitNotFound;
    }
    // With no PBRANGE pointer the range message returns the low (TRUE) or high (FALSE) end.
    DWORD_PTR pos = 0;
    DWORD_PTR low = 0;
    DWORD_PTR high = 0;
    if (!send(control, PBM_GETPOS, 0, 0, pos) || !send(control, PBM_GETRANGE, TRUE, 0, low) ||
        !send(control, PBM_GETRANGE, FALSE, 0, high)) {
        err(L"the progress bar does not answer");
        return kExitNotFound;
    }
    out(std::to_wstring(static_cast<int>(pos)) + L" " + std::to_wstring(static_cast<int>(low)) +
        L" " + std::to_wstring(static_cast<int>(high)));
    return kExitOk;
}

// Told by the system when a window of the watched program is shown (an out-of-context hook
// hands the event to this thread's message queue): the time between the click and the
// showing is known to the performance counter's resolution, without polling. Wine 8 tells
// no showing (EVENT_OBJECT_SHOW), only the focus that a window takes when it is shown and
// activated: the first of the two counts.
struct ShownWatch {
    HWND clicked = nullptr; // the window holding the clicked control
    int control = 0;
    LARGE_INTEGER at{};
    bool seen = false;
};
ShownWatch g_watch;

void CALLBACK windowShown(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD) {
    if (g_watch.seen || (event != EVENT_OBJECT_SHOW && event != EVENT_OBJECT_FOCUS) ||
        window == nullptr)
        return;
    const HWND top = GetAncestor(window, GA_ROOT);
    if (top == nullptr || top == g_watch.clicked || findChild(top, g_watch.control) == nullptr)
        return;
    QueryPerformanceCounter(&g_watch.at);
    g_watch.seen = true;
}

int clickUntilShown(const Options& options) {
    if (!needArgs(options, 3))
        return kExitUsage;
    int id = 0;
    if (!controlId(options.args[1], id) || !controlId(options.args[2], g_watch.control))
        return kExitUsage;
    HWND control = nullptr;
    if (!waitForControl(options, id, g_watch.clicked, control))
        return kExitNotFound;
    if (!waitFor(options.timeoutMs,
                 [&] { return IsWindowVisible(control) && IsWindowEnabled(control); })) {
        err(L"timeout: control " + std::to_wstring(id) + L" is not visible and enabled");
        return kExitNotFound;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(g_watch.clicked, &pid);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_FOCUS, nullptr,
                                         windowShown, pid, 0, WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr) {
        err(L"no window event hook, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    LARGE_INTEGER frequency{}, clicked{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&clicked);
    if (!PostMessageW(control, BM_CLICK, 0, 0)) {
        UnhookWinEvent(hook);
        err(L"could not post the click, error " + std::to_wstring(GetLastError()));
        return kExitNotFound;
    }
    const ULONGLONG deadline = GetTickCount64() + options.timeoutMs;
    while (!g_watch.seen) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                  QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    UnhookWinEvent(hook);
    if (!g_watch.seen) {
        err(L"timeout: no window with control " + std::to_wstring(g_watch.control) + L" was shown");
        return kExitNotFound;
    }
    const auto since = [&](const LARGE_INTEGER& at) {
        wchar_t milliseconds[32];
        swprintf(milliseconds, 32, L"%.1f",
                 static_cast<double>(at.QuadPart - clicked.QuadPart) * 1000.0 /
                     static_cast<double>(frequency.QuadPart));
        return std::wstring(milliseconds);
    };
    out(since(g_watch.at));
    if (options.untilEnabled < 0)
        return kExitOk;
    // The end of what the click started: the control it disabled is enabled again.
    const HWND other = findChild(g_watch.clicked, options.untilEnabled);
    bool disabled = false;
    const bool back = other != nullptr && [&] {
        for (;;) {
            const bool enabled = IsWindowEnabled(other) != FALSE;
            disabled = disabled || !enabled;
            if (disabled && enabled)
                return true;
            if (GetTickCount64() >= deadline || !IsWindow(other))
                return false;
            Sleep(5);
        }
    }();
    if (!back) {
        err(L"timeout: control " + std::to_wstring(options.untilEnabled) +
            L" was not enabled again");
        return kExitNotFound;
    }
    LARGE_INTEGER ended{};
    QueryPerformanceCounter(&ended);
    out(since(ended));
    return kExitOk;
}

} // namespace

int main() {
    Options options;
    if (!parseCommandLine(options)) {
        usage();
        return kExitUsage;
    }
    const std::wstring& action = options.action;
    if (action != L"help" && options.args.empty()) {
        err(action + L" needs a window title");
        return kExitUsage;
    }
    if (action == L"wait-window")
        return waitWindow(options);
    if (action == L"wait-gone")
        return waitGone(options);
    if (action == L"message-box")
        return messageBox(options);
    if (action == L"click")
        return click(options);
    if (action == L"text")
        return text(options);
    if (action == L"enabled")
        return state(options, true);
    if (action == L"visible")
        return state(options, false);
    if (action == L"close")
        return close(options);
    if (action == L"children")
        return children(options);
    if (action == L"end-session")
        return endSession(options);
    if (action == L"listview-select")
        return listViewSelect(options);
    if (action == L"listview-count")
        return listViewCount(options);
    if (action == L"listview-text")
        return listViewText(options);
    if (action == L"progress")
        return progress(options);
    if (action == L"click-until-shown")
        return clickUntilShown(options);
    usage();
    return kExitUsage;
}
