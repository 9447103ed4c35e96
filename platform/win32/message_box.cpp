// MessageBoxA without a screen: every dialog is answered at once with the
// answer set by SetMessageBoxAnswer, and remembered for inspection.
#include "win32.h"
#include "process_state.h"
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

} // namespace

extern "C" WIN32_EXPORT int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    Locked<Dialogs> dialogs;
    ++dialogs->shown;
    dialogs->text = lpText != nullptr ? lpText : "";
    // Windows shows "Error" when no caption is given.
    dialogs->caption = lpCaption != nullptr ? lpCaption : "Error";
    dialogs->style = uType;
    return dialogs->answer;
}

namespace win32 {

WIN32_EXPORT void SetMessageBoxAnswer(int answer) { Locked<Dialogs>()->answer = answer; }

WIN32_EXPORT int MessageBoxCount() { return Locked<Dialogs>()->shown; }

WIN32_EXPORT std::string LastMessageBoxText() { return Locked<Dialogs>()->text; }

WIN32_EXPORT std::string LastMessageBoxCaption() { return Locked<Dialogs>()->caption; }

WIN32_EXPORT UINT LastMessageBoxStyle() { return Locked<Dialogs>()->style; }

} // namespace win32
