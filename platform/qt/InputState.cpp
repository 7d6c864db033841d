#include "platform/qt/InputState.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QPointer>
#include <utility>

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
    static constexpr std::pair<int, int> kNamed[] = {
        {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},    {Qt::Key_Backtab, 0x09},  {Qt::Key_Return, 0x0D},
        {Qt::Key_Enter, 0x0D},     {Qt::Key_Shift, 0x10},  {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
        {Qt::Key_AltGr, 0x12},     {Qt::Key_Pause, 0x13},  {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
        {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
        {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},   {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},
        {Qt::Key_Down, 0x28},      {Qt::Key_Print, 0x2C},  {Qt::Key_Insert, 0x2D},   {Qt::Key_Delete, 0x2E},
        {Qt::Key_Meta, 0x5B},      {Qt::Key_Menu, 0x5D},   {Qt::Key_NumLock, 0x90},  {Qt::Key_ScrollLock, 0x91},
    };
    for (const auto& [key, vk] : kNamed)
        if (key == qtKey) return vk;
    // Punctuation and the other printable keys: a byte of their own in the
    // upper half (0xA0 and above), so every key press still changes the state.
    if (qtKey > 0x20 && qtKey < 0x7F) return 0xA0 + (qtKey - 0x20);
    return 0;
}

void InstallInputStateFilter() {
    // The filter belongs to the application and goes with it.
    static QPointer<QObject> filter;
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
