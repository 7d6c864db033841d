#include "platform/qt/Choosers.h"

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QPointer>

#include "platform/qt/AnsiText.h"

namespace qtplat {
namespace {

FolderChooser g_folderChooser;
ColorChooser g_colorChooser;

class FileDialogPicker : public FolderPicker {
public:
    explicit FileDialogPicker(QFileDialog& dialog) : dialog_(dialog) {}
    void SelectFolder(const std::string& path) override {
        if (!path.empty()) dialog_.setDirectory(PathToQString(path));
    }

private:
    QFileDialog& dialog_;
};

std::optional<std::string> RealBrowseForFolder(const FolderRequest& request) {
    QFileDialog dialog(request.owner, AnsiToQString(request.title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, (request.flags & BIF_RETURNONLYFSDIRS) != 0);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    FileDialogPicker picker(dialog);
    if (request.callback) request.callback(&picker, BFFM_INITIALIZED, 0, 0);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : QStringToPath(chosen.front());
}

QColor FromColorRef(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

std::uint32_t ToColorRef(const QColor& c) {
    return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
           (static_cast<std::uint32_t>(c.blue()) << 16);
}

std::optional<std::uint32_t> RealChooseColor(QWidget* owner, std::uint32_t initial, CustomColorTable& custom) {
    // The dialog's custom colours are shared by every colour dialog of the
    // process: set them for this call and take them back only on OK.
    const int n = std::min<int>(QColorDialog::customCount(), static_cast<int>(custom.size()));
    for (int i = 0; i < n; ++i) QColorDialog::setCustomColor(i, FromColorRef(custom[static_cast<std::size_t>(i)]));
    QColorDialog dialog(FromColorRef(initial), owner);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    for (int i = 0; i < n; ++i) custom[static_cast<std::size_t>(i)] = ToColorRef(QColorDialog::customColor(i));
    return ToColorRef(dialog.selectedColor());
}

}  // namespace

std::optional<std::string> BrowseForFolder(const FolderRequest& request) {
    return g_folderChooser ? g_folderChooser(request) : RealBrowseForFolder(request);
}

void SetFolderChooserForTests(FolderChooser chooser) { g_folderChooser = std::move(chooser); }

std::optional<std::uint32_t> ChooseColor(QWidget* owner, std::uint32_t initial, CustomColorTable& custom) {
    return g_colorChooser ? g_colorChooser(owner, initial, custom) : RealChooseColor(owner, initial, custom);
}

void SetColorChooserForTests(ColorChooser chooser) { g_colorChooser = std::move(chooser); }

}  // namespace qtplat
