#include "app/dialogs/VbKeys.h"

#include <QKeyEvent>

namespace vbkeys {

int KeyCode(const QKeyEvent& event) {
    const int key = event.key();
    // Letters and digits: the platform's codes are the upper-case ASCII
    // values, as Qt's key values are; keypad digits have codes of their own.
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return (event.modifiers() & Qt::KeypadModifier) ? 96 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace:
            return vbKeyBack;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return vbKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return vbKeyReturn;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_Escape:
            return vbKeyEscape;
        case Qt::Key_Space:
            return vbKeySpace;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return vbKeyDelete;
        default:
            return 0;
    }
}

int ShiftState(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= vbShiftMask;
    if (modifiers & Qt::ControlModifier) shift |= vbCtrlMask;
    if (modifiers & Qt::AltModifier) shift |= vbAltMask;
    return shift;
}

}  // namespace vbkeys
