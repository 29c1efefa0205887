#include "dialog_watcher.h"

namespace testing {
namespace {

struct Search {
    const std::wstring* titlePart;
    HWND window = nullptr;
    std::wstring title;
};

// InternalGetWindowText reads the text without sending a message to the
// window's thread, which is blocked in the modal call being watched.
std::wstring textOf(HWND window)
{
    wchar_t text[512] = L"";
    InternalGetWindowText(window, text, 512);
    return text;
}

BOOL CALLBACK findDialog(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    wchar_t cls[64] = L"";
    GetClassNameW(window, cls, 64);
    if (std::wstring(cls) != L"#32770")
        return TRUE;
    std::wstring title = textOf(window);
    if (title.find(*search->titlePart) == std::wstring::npos)
        return TRUE;
    search->window = window;
    search->title = title;
    return FALSE;
}

BOOL CALLBACK collectText(HWND window, LPARAM context)
{
    std::wstring text = textOf(window);
    if (!text.empty())
        reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(text);
    return TRUE;
}

} // namespace

std::string narrowText(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

DialogWatcher::DialogWatcher(std::wstring titlePart, Close how, std::function<void(HWND)> whileOpen,
                             DWORD timeoutMs)
    : titlePart_(std::move(titlePart)), how_(how), whileOpen_(std::move(whileOpen)), timeoutMs_(timeoutMs)
{
    thread_ = CreateThread(nullptr, 0, &DialogWatcher::run, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() { finish(); }

void DialogWatcher::finish()
{
    if (!thread_)
        return;
    WaitForSingleObject(thread_, timeoutMs_ + 15000);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI DialogWatcher::run(void* self)
{
    static_cast<DialogWatcher*>(self)->watch();
    return 0;
}

void DialogWatcher::watch()
{
    DWORD start = GetTickCount();
    Search search{&titlePart_};
    while (GetTickCount() - start < timeoutMs_) {
        EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
        if (search.window)
            break;
        Sleep(50);
    }
    if (!search.window)
        return;
    found = true;
    foundAfterMs = GetTickCount() - start;
    title = search.title;
    EnumChildWindows(search.window, collectText, reinterpret_cast<LPARAM>(&texts));
    if (whileOpen_)
        whileOpen_(search.window);

    // Repeated until the window is gone: the first message may arrive
    // before the dialog's own loop is ready for it.
    DWORD closing = GetTickCount();
    while (IsWindow(search.window) && GetTickCount() - closing < 10000) {
        if (how_ == Close::WithWmClose)
            PostMessageW(search.window, WM_CLOSE, 0, 0);
        else
            PostMessageW(search.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(200);
    }
    closed = !IsWindow(search.window);
}

} // namespace testing
