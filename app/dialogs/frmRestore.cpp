#include "app/dialogs/frmRestore.h"

#include <QByteArray>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

#include "app/core/clsDatabase.h"
#include "app/core/modLang.h"
#include "app/core/modMain.h"
#include "app/core/modMainBackup.h"
#include "app/core/modMainOptions.h"
#include "app/core/modMainUsers.h"
#include "app/dialogs/frmPassword.h"
#include "app/trace/Trace.h"
#include "platform/CodePage.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/qt/AnsiText.h"
#include "platform/qt/Desktop.h"

namespace {

constexpr std::string_view kBackupSuffix = ".vdb.BACKUP";

// Messages that have no language text.
constexpr const char* kNoUsersBackup =
    "This file is no backup copy of a user's database (<user>_<number>.vdb.BACKUP) and cannot be restored.";
constexpr const char* kCurrentNotSaved =
    "The database of the current user could not be saved. Restore the backup copy anyway? "
    "The changes that were not saved will be lost.";
constexpr const char* kCopyFailed = "The backup copy could not be restored: ";
constexpr const char* kFileUnchanged = ". The user's database file has not been changed.";
constexpr const char* kNotLoaded =
    "The backup copy has been restored, but the user's database could not be loaded from it.";
constexpr const char* kDeleteFailed = "The backup copy could not be deleted: ";

// A backup file's name split into the text before its last "_" and the copy
// number's digits; nothing when the name is not "<stem>_<digits>.vdb.BACKUP".
struct BackupName {
    std::string stem;
    std::string digits;
};
std::optional<BackupName> SplitBackupName(std::string_view name) {
    if (name.size() <= kBackupSuffix.size() || !name.ends_with(kBackupSuffix)) return std::nullopt;
    name.remove_suffix(kBackupSuffix.size());
    const std::size_t cut = name.rfind('_');
    if (cut == std::string_view::npos || cut == 0 || cut + 1 == name.size()) return std::nullopt;
    const std::string_view digits = name.substr(cut + 1);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    return BackupName{std::string(name.substr(0, cut)), std::string(digits)};
}

// A copy number's digits without leading zeros ("0" stays).
std::string_view Significant(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return digits.substr(first == std::string_view::npos ? digits.size() - 1 : first);
}

// Backups by user, then by copy number as a number; other names by name.
// The order compares one key per name, so it is a strict order for any mix
// of names.
bool ListedBefore(const std::string& a, const std::string& b) {
    const auto key = [](const std::string& name) {
        const std::optional<BackupName> parts = SplitBackupName(name);
        const std::string_view number = parts ? Significant(parts->digits) : std::string_view();
        return std::make_tuple(parts ? parts->stem : name, number.size(), std::string(number), name);
    };
    return key(a) < key(b);
}

// A date-time as the system's general date: the short date, then the time;
// the date alone at midnight.
QString GeneralDate(modMain::DateTime when) {
    const auto day = std::chrono::floor<std::chrono::days>(when);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss<std::chrono::seconds> hms{when - day};
    const QDate date(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                     static_cast<int>(static_cast<unsigned>(ymd.day())));
    const QTime time(static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                     static_cast<int>(hms.seconds().count()));
    QString text = QLocale::system().toString(date, QLocale::ShortFormat);
    if (time != QTime(0, 0)) text += QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
    return text;
}

}  // namespace

frmRestore::frmRestore() : VbDialog("frmRestore", Owner::MainWindow) {
    setWindowTitle(QStringLiteral("Backup Manager"));
    lblDBsCap = Control<QLabel>("lblDBsCap");
    lblDBsCap->setText(QStringLiteral("Backuped Databases:"));
    lstRestorDBs = Control<QListWidget>("lstRestorDBs");
    lstRestorDBs->setSelectionMode(QAbstractItemView::SingleSelection);
    lstRestorDBs->setMinimumSize(420, 220);
    lblDBsCap->setBuddy(lstRestorDBs);
    cmdRestore = Control<QPushButton>("cmdRestore");
    cmdRestore->setText(QStringLiteral("Restore"));
    cmdDelete = Control<QPushButton>("cmdDelete");
    cmdDelete->setText(QStringLiteral("Delete"));
    cmdBack = Control<QPushButton>("cmdBack");
    cmdBack->setText(QStringLiteral("Back"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdDelete);
    buttons->addStretch();
    buttons->addWidget(cmdBack);
    auto* list = new QVBoxLayout;
    list->addWidget(lblDBsCap);
    list->addWidget(lstRestorDBs);
    auto* form = new QHBoxLayout(this);
    form->addLayout(list);
    form->addLayout(buttons);

    connect(cmdRestore, &QPushButton::clicked, this, [this] { cmdRestore_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { cmdBack_Click(); });
    connect(lstRestorDBs, &QListWidget::itemDoubleClicked, this, [this] { lstRestorDBs_DblClick(); });
}

void frmRestore::Show() {
    frmRestore dialog;
    dialog.ShowModal();
}

std::optional<std::string> frmRestore::BackupUser(const std::string& fileName) {
    const std::optional<BackupName> parts = SplitBackupName(fileName);
    if (!parts) return std::nullopt;
    std::optional<std::string> user = plat::Utf8ToAnsi(parts->stem);
    if (!user || !modMain::IsSafeUserName(*user)) return std::nullopt;
    // Only a name the automatic backup writes is a copy of that user's file.
    std::int32_t n = 0;
    const char* first = parts->digits.data();
    const char* last = first + parts->digits.size();
    if (const auto [end, ec] = std::from_chars(first, last, n); ec != std::errc() || end != last) return std::nullopt;
    if (modMain::BackupFileName(*user, n) != fileName) return std::nullopt;
    return user;
}

void frmRestore::Form_Load() {
    TRACE("Form_Load");
    TraceLoaded();
    std::string folder = BackupFolder();
    ListDBsForRestore(folder);
    ShowFormLang();
}

void frmRestore::ShowFormLang() {
    TRACE("ShowFormLang");
    SetTitle(142);
    SetCaption(cmdBack, 98);
    SetCaption(cmdRestore, 144);
    SetCaption(cmdDelete, 145);
    SetCaption(lblDBsCap, 146);
}

std::string frmRestore::BackupFolder() { return modMain::Pt(modMain::OptionSlot(modMain::Option::DBPath)) + "Backup/"; }

void frmRestore::ListDBsForRestore(std::string& DBPath) {
    TRACE("ListDBsForRestore", TV_PATH(DBPath));
    DBPath = modMain::Pt(DBPath);
    std::error_code ec;
    std::filesystem::directory_iterator it(DBPath, ec);
    if (ec) {
        modMain::DbgPrint("Error#0003. DBPath = " + DBPath);
        return;
    }
    std::vector<std::string> files;
    for (std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().native();
        if (!name.ends_with(kBackupSuffix)) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        files.push_back(std::move(name));
    }
    // The platform lists in no particular order: each user's copies come
    // together, oldest first.
    std::sort(files.begin(), files.end(), ListedBefore);
    for (const std::string& file : files) {
        const std::optional<std::string> shown = plat::Utf8ToAnsi(file);
        if (!shown) {
            modMain::DbgPrint("ListDBsForRestore: skipped " + file + ": a name this code page cannot hold");
            continue;
        }
        modMain::DateTime created{}, accessed{}, written{};
        const bool dated = modMain::GetFileTimes(DBPath + file, created, accessed, written, true) == 0;
        auto* item =
            new QListWidgetItem(qtplat::AnsiToQString(*shown + " Date: ") + (dated ? GeneralDate(written) : QString()));
        item->setData(Qt::UserRole, QByteArray::fromStdString(file));
        lstRestorDBs->addItem(item);
    }
}

void frmRestore::Relist() {
    TRACE("Relist");
    lstRestorDBs->clear();
    std::string folder = BackupFolder();
    ListDBsForRestore(folder);
}

std::optional<std::string> frmRestore::SelectedFile() {
    TRACE("SelectedFile");
    const QList<QListWidgetItem*> selected = lstRestorDBs->selectedItems();
    if (selected.isEmpty()) {
        qtplat::MsgBox(modLang::Texts(140), qtplat::vbInformation);
        return std::nullopt;
    }
    return selected.front()->data(Qt::UserRole).toByteArray().toStdString();
}

bool frmRestore::SaveCurrentUser() {
    TRACE("SaveCurrentUser");
    if (modMain::CurUser.empty() || !modMain::CurUsDB || modMain::CurUsDB->TabNum() == 0) return true;
    const std::int32_t r = modMain::SaveCurUser();
    TRACE_LOCAL(r);
    if (r == 2) return true;
    const int answer = qtplat::MsgBox(kCurrentNotSaved, qtplat::vbYesNo | qtplat::vbExclamation);
    return answer != qtplat::vbNo && IsLoaded();
}

void frmRestore::cmdRestore_Click() try {
    TRACE("cmdRestore_Click");
    const std::optional<std::string> file = SelectedFile();
    if (!file) return;
    const std::string FileName = *file;
    TRACE_LOCAL(FileName);
    const std::optional<std::string> user = BackupUser(FileName);
    if (!user) {
        qtplat::MsgBox(kNoUsersBackup, qtplat::vbCritical);
        return;
    }
    const std::string UsName = *user;
    TRACE_LOCAL(UsName);
    if (qtplat::MsgBox(modLang::Texts(129), qtplat::vbYesNo) == qtplat::vbNo || !IsLoaded()) return;
    modMain::OptionSlot(modMain::Option::DBPath) = modMain::Pt(modMain::OptionSlot(modMain::Option::DBPath));
    if (!SaveCurrentUser()) return;

    // The copy is complete beside the user's file before it takes that
    // file's place; until then the file and the login stay as they are.
    const std::string target = modMain::UserFilePath(UsName);
    TRACE_LOCAL(target);
    try {
        plat::CopyFileAtomic(BackupFolder() + FileName, target);
    } catch (const vb::VbError& e) {
        trace_frame_.Recover();
        qtplat::MsgBox(kCopyFailed + e.Description() + kFileUnchanged, qtplat::vbCritical);
        return;
    }
    modMain::UnloadUser();

    frmPassword::Ask(UsName);
    // Cancelled, or closed by the program: the file is restored and nobody
    // is logged in.
    if (modMain::FrmPaswResult != 1) return;
    const std::optional<std::int32_t> loaded = modMain::LogInWithEnteredHash(UsName);
    TRACE_LOCAL(loaded);
    if (!IsLoaded()) return;
    Relist();
    if (loaded)
        qtplat::MsgBox(kNotLoaded, qtplat::vbCritical);
    else
        qtplat::MsgBox(modLang::Texts(130), qtplat::vbOKOnly);
}
TRACE_BOUNDARY

void frmRestore::lstRestorDBs_DblClick() try {
    TRACE("lstRestorDBs_DblClick");
    cmdRestore_Click();
}
TRACE_BOUNDARY

void frmRestore::cmdDelete_Click() try {
    TRACE("cmdDelete_Click");
    const std::optional<std::string> file = SelectedFile();
    if (!file) return;
    const std::string FileName = *file;
    TRACE_LOCAL(FileName);
    if (qtplat::MsgBox(modLang::Texts(128), qtplat::vbYesNo) == qtplat::vbNo || !IsLoaded()) return;
    try {
        modMain::TrueKill(BackupFolder() + FileName);
    } catch (const vb::VbError& e) {
        trace_frame_.Recover();
        qtplat::MsgBox(kDeleteFailed + e.Description(), qtplat::vbCritical);
    }
    if (IsLoaded()) Relist();
}
TRACE_BOUNDARY

void frmRestore::cmdBack_Click() try {
    TRACE("cmdBack_Click");
    Unload();
}
TRACE_BOUNDARY
