#include "platform/qt/Desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include "platform/qt/AnsiText.h"

namespace qtplat {
namespace {

MsgBoxHandler g_msgBox;
std::function<bool(const std::string&)> g_shellOpen;
QPointer<QWidget> g_mainWindow;

int RealMsgBox(const std::string& prompt, int style, const std::string& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.empty() ? QString::fromLatin1(kProgramTitle) : AnsiToQString(title));
    box.setText(AnsiToQString(prompt));
    switch (style & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    switch (style & 0x0F) {
        case vbOKCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case vbYesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case vbYesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return vbOK;
        case QMessageBox::Cancel:
            return vbCancel;
        case QMessageBox::Yes:
            return vbYes;
        case QMessageBox::No:
            return vbNo;
        default:
            // Closed without a button: what Escape would have chosen.
            return (style & 0x0F) == vbOKOnly ? vbOK : vbCancel;
    }
}

bool RealShellOpen(const std::string& target) {
    const QString text = PathToQString(target);
    const QUrl url =
        QFileInfo::exists(text) ? QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath()) : QUrl::fromUserInput(text);
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace

int MsgBox(const std::string& prompt, int style, const std::string& title) {
    return g_msgBox ? g_msgBox(prompt, style, title) : RealMsgBox(prompt, style, title);
}

void SetMsgBoxForTests(MsgBoxHandler handler) { g_msgBox = std::move(handler); }

bool ShellOpen(const std::string& target) { return g_shellOpen ? g_shellOpen(target) : RealShellOpen(target); }

void SetShellOpenForTests(std::function<bool(const std::string&)> handler) { g_shellOpen = std::move(handler); }

void SetMainWindow(QWidget* window) { g_mainWindow = window; }

QWidget* MainWindow() { return g_mainWindow.data(); }

}  // namespace qtplat
