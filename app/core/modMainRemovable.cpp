// The copy of the installation to a removable drive.
#include "app/core/modMainRemovable.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "app/core/modMain.h"
#include "app/core/modMainOptions.h"
#include "app/trace/Trace.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"

namespace modMain {
namespace {

// A folder as the file system knows it, whatever the path that names it.
struct FolderId {
    dev_t dev;
    ino_t ino;
    friend bool operator==(const FolderId&, const FolderId&) = default;
};

std::optional<FolderId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderId{st.st_dev, st.st_ino};
}

// The names in a folder, read in full before anything is copied, so files
// that the copy itself creates are never met; nothing when it can't be read.
std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().native());
    return names;
}

// A folder that is already there is used as it is (a second copy to the same
// place); anything else in its way is an error.
void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return;
    if (errno == EEXIST && IdOf(path)) return;
    vb::Raise(vb::errPathFileAccess, "modMain.CopyDir");
}

std::int32_t CopyTree(const std::string& from_dir, const std::string& to_dir, const std::vector<FolderId>& skip) {
    std::int32_t files_copied = 0;
    std::vector<std::string> folders;
    for (const std::string& name : ListFolder(from_dir)) {
        const std::string source = from_dir + name;
        struct stat st {};
        if (::lstat(source.c_str(), &st) != 0) continue;  // gone since the listing
        if (S_ISDIR(st.st_mode)) {
            if (std::find(skip.begin(), skip.end(), FolderId{st.st_dev, st.st_ino}) != skip.end()) {
                DbgPrint("CopyDir: " + source + " is the copy's own target: not copied into itself");
                continue;
            }
            ++files_copied;
            MakeFolder(to_dir + name);
            folders.push_back(name);
            continue;
        }
        // A link is followed only to a file: a link to a folder could lead
        // back into the source and copy it for ever.
        if (S_ISLNK(st.st_mode) && ::stat(source.c_str(), &st) != 0) st.st_mode = 0;
        if (!S_ISREG(st.st_mode)) {
            DbgPrint("CopyDir: " + source + " is neither a file nor a folder: not copied");
            continue;
        }
        ++files_copied;
        plat::CopyFileAtomic(source, to_dir + name);
    }
    for (const std::string& name : folders) files_copied += CopyTree(from_dir + name + "/", to_dir + name + "/", skip);
    return files_copied;
}

// Copies a folder of the installation into the target, never into itself.
std::int32_t CopyInto(const std::string& from_dir, const std::string& to_dir, std::vector<FolderId> skip) {
    const auto to = IdOf(to_dir);
    if (to) {
        if (to == IdOf(from_dir)) {
            DbgPrint("CopyDir: " + from_dir + " is its own target: nothing to copy");
            return 0;
        }
        skip.push_back(*to);
    }
    return CopyTree(from_dir, to_dir, skip);
}

// Writes the copy's options file: the running program's options with option
// 5 naming the copy's databases folder. The one writer of options files
// writes ProgConfig, so the copy stands in ProgConfig while it runs, and the
// running program's options are back in place on every path.
void SaveTargetConfig(const std::string& cfgPath, const std::string& dbFolder) {
    trace::VbArray<std::string> options = ProgConfig;
    options(5) = dbFolder;
    struct Restore {
        trace::VbArray<std::string>& held;
        ~Restore() { std::swap(held, ProgConfig); }
    };
    std::swap(options, ProgConfig);
    Restore restore{options};
    SaveConfigOrRaise(cfgPath);
}

}  // namespace

std::int32_t InstallToRemovableDevice(const std::string& TargPath) {
    TRACE_MOD(modMain, "InstallToRemovableDevice", TV_PATH(TargPath));
    const std::string t = Pt(TargPath);
    TRACE_LOCAL(t);
    const std::string a = Pt(AppPath());
    TRACE_LOCAL(a);
    const std::string program = ProgramFileBaseName;
    plat::CopyFileAtomic(a + program, t + program);
    // The program needs no manifest here; one is copied when it is there.
    if (FileExist(a + program + ".manifest"))
        plat::CopyFileAtomic(a + program + ".manifest", t + program + ".manifest");
    plat::CopyFileAtomic(a + "start.dat", t + "start.dat");

    // Neither the target nor its folders are ever copied into themselves,
    // whichever source folder they lie in.
    std::vector<FolderId> skip;
    if (const auto target = IdOf(t)) skip.push_back(*target);
    MakeFolder(t + "DataBases/");
    CopyInto(Pt(OptionSlot(Option::DBPath)), t + "DataBases/", skip);
    MakeFolder(t + "Controls/");
    CopyInto(a + "Controls/", t + "Controls/", skip);
    MakeFolder(t + "Languages/");
    CopyInto(a + "Languages/", t + "Languages/", skip);

    SaveTargetConfig(t + "config.dat", t + "DataBases");
    SaveConfig(ProgCfgPath);
    return 1;
}

std::int32_t CopyDir(const std::string& from_dir, const std::string& to_dir) {
    TRACE_MOD(modMain, "CopyDir", TV_PATH(from_dir), TV_PATH(to_dir));
    return CopyInto(from_dir, to_dir, {});
}

}  // namespace modMain
