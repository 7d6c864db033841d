// The real dialogs, driven on the offscreen platform: a timer answers the
// dialog once it is open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "TempDir.h"
#include "platform/qt/Choosers.h"
#include "platform/qt/Desktop.h"

namespace {

// Runs `answer` on the modal dialog of type T as soon as it is open.
template <typename T>
void WhenOpen(std::function<void(T&)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(*dialog);
        }
    });
    timer->start();
}

TEST(FolderPicker, OpensWhereTheCallbackSaysAndGivesTheChosenFolder) {
    qpmtest::TempDir tmp;
    std::filesystem::create_directory(tmp.path() / "start");
    const std::string start = (tmp.path() / "start").string();
    std::uint32_t seenMsg = 0;
    qtplat::FolderRequest request;
    request.title = "Pick";
    request.flags = qtplat::BIF_RETURNONLYFSDIRS | qtplat::BIF_EDITBOX;
    request.callback = [&](qtplat::FolderPicker* picker, std::uint32_t msg, std::intptr_t, std::intptr_t) {
        seenMsg = msg;
        picker->SelectFolder(start);
        return 0;
    };
    QString title;
    WhenOpen<QFileDialog>([&](QFileDialog& d) {
        title = d.windowTitle();
        static_cast<QDialog&>(d).accept();
    });
    EXPECT_EQ(qtplat::BrowseForFolder(request), std::optional<std::string>(start));
    EXPECT_EQ(seenMsg, qtplat::BFFM_INITIALIZED);
    EXPECT_EQ(title, QStringLiteral("Pick"));

    WhenOpen<QFileDialog>([](QFileDialog& d) { d.reject(); });
    EXPECT_EQ(qtplat::BrowseForFolder(request), std::nullopt);
}

TEST(ColourDialog, ConfirmedChoiceGivesTheColourAndTheCustomColours) {
    qtplat::CustomColorTable custom{};
    custom[0] = 0x00332211;  // red 0x11, green 0x22, blue 0x33
    QColor seenCustom;
    QColor seenInitial;
    WhenOpen<QColorDialog>([&](QColorDialog& d) {
        seenCustom = QColorDialog::customColor(0);
        seenInitial = d.currentColor();
        QColorDialog::setCustomColor(1, QColor(4, 5, 6));
        d.setCurrentColor(QColor(1, 2, 3));
        d.accept();
    });
    EXPECT_EQ(qtplat::ChooseColor(nullptr, 0x000000FF, custom), std::optional<std::uint32_t>(0x00030201));
    EXPECT_EQ(seenCustom, QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(seenInitial, QColor(255, 0, 0));
    EXPECT_EQ(custom[0], 0x00332211u);
    EXPECT_EQ(custom[1], 0x00060504u);

    const qtplat::CustomColorTable before = custom;
    WhenOpen<QColorDialog>([](QColorDialog& d) {
        QColorDialog::setCustomColor(0, QColor(9, 9, 9));
        d.reject();
    });
    EXPECT_EQ(qtplat::ChooseColor(nullptr, 0, custom), std::nullopt);
    EXPECT_EQ(custom, before);
}

TEST(MessageBox, GivesTheButtonTheUserChose) {
    QString text;
    QString title;
    WhenOpen<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        title = box.windowTitle();
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(qtplat::MsgBox("Exit?", qtplat::vbYesNo | qtplat::vbQuestion), qtplat::vbNo);
    EXPECT_EQ(text, QStringLiteral("Exit?"));
    EXPECT_EQ(title, QStringLiteral("QuellonPasswordMngr"));

    WhenOpen<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(qtplat::MsgBox("Saved", qtplat::vbOKCancel, "Own title"), qtplat::vbOK);
}

TEST(MainWindowRef, ForgetsAWindowThatIsGone) {
    auto* w = new QWidget;
    qtplat::SetMainWindow(w);
    EXPECT_EQ(qtplat::MainWindow(), w);
    delete w;
    EXPECT_EQ(qtplat::MainWindow(), nullptr);
}

}  // namespace
