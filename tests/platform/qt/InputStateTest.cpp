#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/qt/InputState.h"

namespace {

void SendKey(QWidget& w, QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
    QApplication::sendEvent(&w, &e);
}

void SendButton(QWidget& w, QEvent::Type type, Qt::MouseButton button) {
    QMouseEvent e(type, QPointF(1, 1), QPointF(1, 1), button,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

TEST(InputState, KeysAndButtonsAnywhereInTheProgramChangeTheirBytes) {
    qtplat::InstallInputStateFilter();
    QWidget w;
    const qtplat::KeyState before = qtplat::KeyboardState();
    SendKey(w, QEvent::KeyPress, Qt::Key_A);
    qtplat::KeyState now = qtplat::KeyboardState();
    EXPECT_EQ(now[0x41] & 0x80, 0x80);
    EXPECT_NE(now[0x41] & 0x01, before[0x41] & 0x01);  // the toggle bit flips
    // A key held down repeats without changing anything.
    SendKey(w, QEvent::KeyPress, Qt::Key_A, true);
    EXPECT_EQ(qtplat::KeyboardState(), now);
    SendKey(w, QEvent::KeyRelease, Qt::Key_A);
    now = qtplat::KeyboardState();
    EXPECT_EQ(now[0x41] & 0x80, 0);
    SendKey(w, QEvent::KeyPress, Qt::Key_Shift);
    EXPECT_EQ(qtplat::KeyboardState()[0x10] & 0x80, 0x80);
    SendKey(w, QEvent::KeyRelease, Qt::Key_Shift);

    SendButton(w, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_EQ(qtplat::KeyboardState()[2] & 0x80, 0x80);
    SendButton(w, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(qtplat::KeyboardState()[2] & 0x80, 0);
}

TEST(InputState, VirtualKeyNumbers) {
    const std::pair<int, int> cases[] = {
        {Qt::Key_A, 0x41},     {Qt::Key_Z, 0x5A},      {Qt::Key_0, 0x30},       {Qt::Key_F1, 0x70},
        {Qt::Key_F12, 0x7B},   {Qt::Key_Shift, 0x10},  {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},
        {Qt::Key_Space, 0x20}, {Qt::Key_Return, 0x0D}, {Qt::Key_Escape, 0x1B},  {Qt::Key_Delete, 0x2E},
    };
    for (const auto& [key, vk] : cases) EXPECT_EQ(qtplat::VirtualKeyOf(key), vk) << key;
    // Punctuation gets a byte of its own; keys without any give none.
    EXPECT_GT(qtplat::VirtualKeyOf(Qt::Key_Comma), 0);
    EXPECT_NE(qtplat::VirtualKeyOf(Qt::Key_Comma), qtplat::VirtualKeyOf(Qt::Key_Period));
    EXPECT_EQ(qtplat::VirtualKeyOf(Qt::Key_unknown), 0);
}

TEST(InputState, TestsCanReplaceTheSource) {
    qtplat::KeyState keys{};
    keys[7] = 0x80;
    qtplat::SetInputProbeForTests({[] { return qtplat::CursorPoint{3, 4}; }, [&] { return keys; }});
    EXPECT_EQ(qtplat::CursorPos().x, 3);
    EXPECT_EQ(qtplat::CursorPos().y, 4);
    EXPECT_EQ(qtplat::KeyboardState()[7], 0x80);
    qtplat::SetInputProbeForTests({});
}

}  // namespace
