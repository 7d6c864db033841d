#pragma once
// The platform's choice dialogs: a folder picker and the colour dialog, each
// with a seam that tests replace.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace qtplat {

// ---- Folder picker ----

// Flags of the folder picker request.
inline constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 1;
inline constexpr std::uint32_t BIF_EDITBOX = 16;
inline constexpr std::uint32_t BIF_NEWDIALOGSTYLE = 64;
// The message the callback gets once the picker is ready.
inline constexpr std::uint32_t BFFM_INITIALIZED = 1;

// The open picker as its callback sees it.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // Selects a folder (file system bytes) in the picker.
    virtual void SelectFolder(const std::string& path) = 0;
};

struct FolderRequest {
    QWidget* owner = nullptr;
    std::string title;  // code-page text
    std::uint32_t flags = BIF_RETURNONLYFSDIRS;
    std::function<std::int32_t(FolderPicker* picker, std::uint32_t msg, std::intptr_t lParam, std::intptr_t lpData)>
        callback;
};

// The chosen folder (file system bytes), or nothing when cancelled.
std::optional<std::string> BrowseForFolder(const FolderRequest& request);

using FolderChooser = std::function<std::optional<std::string>(const FolderRequest&)>;
// An empty function restores the real picker.
void SetFolderChooserForTests(FolderChooser chooser);

// ---- Colour dialog ----

// Colours as the platform's 32-bit colour values: red in the low byte, then
// green, then blue.
using CustomColorTable = std::array<std::uint32_t, 16>;

// Shows the colour dialog starting at `initial` with the custom colours
// `custom`. On OK: the chosen colour, and `custom` holds the dialog's custom
// colours. When cancelled: nothing, and `custom` is unchanged.
std::optional<std::uint32_t> ChooseColor(QWidget* owner, std::uint32_t initial, CustomColorTable& custom);

using ColorChooser = std::function<std::optional<std::uint32_t>(QWidget*, std::uint32_t, CustomColorTable&)>;
void SetColorChooserForTests(ColorChooser chooser);

}  // namespace qtplat
