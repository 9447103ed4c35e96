// MessageBoxA without a screen: every dialog is answered at once with the
// answer set by SetMessageBoxAnswer, and remembered for inspection.
#include "win32.h"
#include "win32_testing.h"

#include <mutex>
#include <string>

namespace {

struct Dialogs {
    std::mutex mutex;
    int answer = IDNO;
    int shown = 0;
    std::string text;
    std::string caption;
    UINT style = 0;
};

Dialogs& TheDialogs()
{
    static Dialogs* dialogs = new Dialogs;
    return *dialogs;
}

} // namespace

extern "C" WIN32_EXPORT int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    ++dialogs.shown;
    dialogs.text = lpText != nullptr ? lpText : "";
    // Windows shows "Error" when no caption is given.
    dialogs.caption = lpCaption != nullptr ? lpCaption : "Error";
    dialogs.style = uType;
    return dialogs.answer;
}

namespace win32 {

WIN32_EXPORT void SetMessageBoxAnswer(int answer)
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    dialogs.answer = answer;
}

WIN32_EXPORT int MessageBoxCount()
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    return dialogs.shown;
}

WIN32_EXPORT std::string LastMessageBoxText()
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    return dialogs.text;
}

WIN32_EXPORT std::string LastMessageBoxCaption()
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    return dialogs.caption;
}

WIN32_EXPORT UINT LastMessageBoxStyle()
{
    Dialogs& dialogs = TheDialogs();
    std::lock_guard lock(dialogs.mutex);
    return dialogs.style;
}

} // namespace win32
