// Closes a modal window that the code under test opens on the test's thread:
// a second thread looks for a visible dialog of this process whose title
// contains a given text, runs an optional check while it is up, then closes
// it. It gives up after a time-out, so a dialog that never comes cannot
// block the run (one that cannot be closed still can: the watchdog ends it).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing {

class DialogWatcher {
public:
    enum class Close {
        WithWmClose,  // WM_CLOSE, as a frame's close box sends
        WithOkButton, // WM_COMMAND IDOK, as pressing a message box's OK does
    };

    DialogWatcher(std::wstring titlePart, Close how, std::function<void(HWND)> whileOpen = {},
                  DWORD timeoutMs = 20000);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    // Waits for the thread; the results below are final afterwards.
    void finish();

    bool found = false;
    bool closed = false;               // the window went away after the close message
    std::wstring title;                // the dialog's title
    std::vector<std::wstring> texts;   // the texts of its child windows
    DWORD foundAfterMs = 0;

private:
    static DWORD WINAPI run(void* self);
    void watch();

    std::wstring titlePart_;
    Close how_;
    std::function<void(HWND)> whileOpen_;
    DWORD timeoutMs_;
    HANDLE thread_ = nullptr;
};

std::string narrowText(const std::wstring& text);

} // namespace testing
