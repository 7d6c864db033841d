// The program folder, the debug log and the path helpers of the main module.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "app/core/modMain.h"
#include "app/core/modTimer.h"
#include "app/trace/Trace.h"
#include "platform/ProgramPath.h"

namespace modMain {
namespace {

std::string g_appPathOverride;

// The clock as the log shows it: five decimals in the locale's number format
// (its decimal sign and digit grouping).
std::string ClockText(double t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%'.5f", t);
    return buf;
}

// The current date and time in the locale's default form.
std::string NowText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char buf[128];
    std::size_t n = std::strftime(buf, sizeof buf, "%x %X", &local);
    return std::string(buf, n);
}

// The text as one log line: a file name or a record title holding a line
// break must not add lines of its own, so every control character becomes
// "\xHH". A line break first in the text stays: the start banner puts it
// there to stand on a line of its own.
std::string LogLineText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    if (text.starts_with("\r\n")) {
        out += "\r\n";
        text.remove_prefix(2);
    }
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char esc[5];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Opens the log for appending. Only a plain file of the folder's own is
// written: a symbolic link, a hard link to some other file, a pipe or a
// device is refused (once said on the error output), so the log never
// writes into or tightens the mode of a file it does not own.
int OpenLog(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    struct stat st {};
    const bool plain = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
    if (plain) return fd;
    const bool refused = (fd < 0 && errno == ELOOP) || fd >= 0;
    if (fd >= 0) ::close(fd);
    static bool said = false;
    if (refused && !said) {
        said = true;
        std::fprintf(stderr, "QuellonPasswordMngr: %s is no plain file; the debug log is not written\n",
                     LogLineText(path).c_str());
    }
    return -1;
}

}  // namespace

std::string AppPath() {
    if (!g_appPathOverride.empty()) return g_appPathOverride;
    return plat::ProgramFolder();
}

void SetAppPathForTests(const std::string& folder) { g_appPathOverride = folder; }

void DbgPrint(const std::string& DbgStr) {
    TRACE_MOD(modMain, "DbgPrint", TV(DbgStr));
    const double t = modTimer::GetQueryPerf();
    const std::string line = NowText() + ".(" + ClockText(t) + "): " + LogLineText(DbgStr) + "\r\n";
    const std::string path = Pt(AppPath()) + "DbgFile.dat";
    DbgFile = 1;
    // The log holds record titles: only the user may read it. A log that
    // cannot be written (a read-only program folder) is skipped.
    int fd = OpenLog(path);
    if (fd < 0) return;
    // A log that came readable by others (a copied program folder) becomes
    // the owner's alone before anything more is written to it.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (st.st_mode & 077) != 0) ::fchmod(fd, st.st_mode & 0700);
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string Pt(const std::string& Path) {
    TRACE_MOD(modMain, "Pt", TV_PATH(Path));
    if (Path.empty()) return "./";
    if (Path.back() == '/') return Path;
    return Path + "/";
}

bool FileExist(const std::string& FileName) {
    TRACE_MOD(modMain, "FileExist", TV_PATH(FileName));
    struct stat st {};
    return !FileName.empty() && ::stat(FileName.c_str(), &st) == 0;
}

}  // namespace modMain
