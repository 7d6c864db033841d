#pragma once
// Small desktop services: message boxes, opening a file or an address with
// the desktop's program for it, and the program's main window as the owner
// of dialogs that the core opens. Message boxes and opening have seams that
// tests replace.
#include <functional>
#include <string>

class QWidget;

namespace qtplat {

// Buttons and icons of a message box, as the original's flags.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
// The button the user chose.
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

// The program's title, the caption of message boxes without one of their own.
inline constexpr const char* kProgramTitle = "QuellonPasswordMngr";

// A modal message box over the active window; `prompt` and `title` are
// code-page text (an empty title gives the program's title).
int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = {});
using MsgBoxHandler = std::function<int(const std::string& prompt, int style, const std::string& title)>;
void SetMsgBoxForTests(MsgBoxHandler handler);

// Opens a file (file system bytes) or an address with the desktop's program
// for it; false when nothing could open it.
bool ShellOpen(const std::string& target);
void SetShellOpenForTests(std::function<bool(const std::string&)> handler);

// The main window, once it exists; dialogs the core opens use it as owner.
void SetMainWindow(QWidget* window);
QWidget* MainWindow();

}  // namespace qtplat
