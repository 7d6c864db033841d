#include "platform/qt/InputState.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>

namespace qtplat {
namespace {

KeyState g_keys{};
InputProbe g_probe;

int ButtonIndex(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 1;
        case Qt::RightButton:
            return 2;
        case Qt::MiddleButton:
            return 4;
        default:
            return 0;
    }
}

void Press(int index) {
    if (index <= 0 || index > 255) return;
    g_keys[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>((g_keys[index] ^ 0x01) | 0x80);
}

void Release(int index) {
    if (index <= 0 || index > 255) return;
    g_keys[static_cast<std::size_t>(index)] &= 0x7F;
}

class InputStateFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (!key->isAutoRepeat()) Press(VirtualKeyOf(key->key()));
                break;
            }
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (!key->isAutoRepeat()) Release(VirtualKeyOf(key->key()));
                break;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                Press(ButtonIndex(static_cast<QMouseEvent*>(event)->button()));
                break;
            case QEvent::MouseButtonRelease:
                Release(ButtonIndex(static_cast<QMouseEvent*>(event)->button()));
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace:
            return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 0x0D;
        case Qt::Key_Shift:
            return 0x10;
        case Qt::Key_Control:
            return 0x11;
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
            return 0x12;
        case Qt::Key_Pause:
            return 0x13;
        case Qt::Key_CapsLock:
            return 0x14;
        case Qt::Key_Escape:
            return 0x1B;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return 0x23;
        case Qt::Key_Home:
            return 0x24;
        case Qt::Key_Left:
            return 0x25;
        case Qt::Key_Up:
            return 0x26;
        case Qt::Key_Right:
            return 0x27;
        case Qt::Key_Down:
            return 0x28;
        case Qt::Key_Print:
            return 0x2C;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return 0x2E;
        case Qt::Key_Meta:
            return 0x5B;
        case Qt::Key_Menu:
            return 0x5D;
        case Qt::Key_NumLock:
            return 0x90;
        case Qt::Key_ScrollLock:
            return 0x91;
        default:
            break;
    }
    // Punctuation and other printable keys: one byte of their own in the
    // upper half, so every key still changes the state.
    if (qtKey > 0x20 && qtKey < 0x7F) return 0xA0 + (qtKey % 0x5F);
    return 0;
}

void InstallInputStateFilter() {
    static QObject* filter = nullptr;
    QCoreApplication* app = QCoreApplication::instance();
    if (filter || !app) return;
    filter = new InputStateFilter(app);
    app->installEventFilter(filter);
}

CursorPoint CursorPos() {
    if (g_probe.cursor) return g_probe.cursor();
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

KeyState KeyboardState() {
    if (g_probe.keys) return g_probe.keys();
    InstallInputStateFilter();
    return g_keys;
}

void SetInputProbeForTests(InputProbe probe) { g_probe = std::move(probe); }

}  // namespace qtplat
