// File times: the platform's 64-bit file time, its conversion to the
// program's date-time value, and the three times of a file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "app/core/modMain.h"
#include "app/core/modMainBackup.h"
#include "app/trace/Trace.h"
#include "platform/VbError.h"

namespace modMain {
namespace {

using std::chrono::hours;
using std::chrono::seconds;

// Seconds between 1601-01-01 and 1970-01-01, the two clocks' starts.
constexpr std::int64_t kEpochGap = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

constexpr std::chrono::local_days kFileTimeStart{std::chrono::year{1601} / 1 / 1};
constexpr DateTime kLastDateTime{std::chrono::local_days{std::chrono::year{9999} / 12 / 31} + hours{23} +
                                 std::chrono::minutes{59} + seconds{59}};

// "yyyy-mm-dd hh:mm:ss", for the trace's dumps.
std::string DateText(DateTime d) {
    const auto day = std::chrono::floor<std::chrono::days>(d);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss<seconds> hms{d - day};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02ld:%02ld:%02ld", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long>(hms.hours().count()), static_cast<long>(hms.minutes().count()),
                  static_cast<long>(hms.seconds().count()));
    return buf;
}

#define TV_DATE(x)                                               \
    ::trace::Var {                                               \
        [&]() { return ::trace::DumpVariable(#x, DateText(x)); } \
    }

// A time of the platform's clock (seconds and nanoseconds since 1970, in UTC)
// as a file time; nothing for a time before 1601. With `local`, the offset of
// the local time zone at that moment is added first.
std::optional<FILETIME> ToFileTime(const struct statx_timestamp& ts, bool local) {
    std::int64_t sec = ts.tv_sec;
    if (local) {
        const std::time_t t = static_cast<std::time_t>(ts.tv_sec);
        std::tm tm{};
        if (!::localtime_r(&t, &tm)) return std::nullopt;
        sec += tm.tm_gmtoff;
    }
    if (sec < -kEpochGap) return std::nullopt;
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(sec + kEpochGap) * kTicksPerSecond + static_cast<std::uint64_t>(ts.tv_nsec / 100);
    return FILETIME{static_cast<std::uint32_t>(ticks & 0xFFFFFFFFu), static_cast<std::uint32_t>(ticks >> 32)};
}

}  // namespace

DateTime FileTimeToDate(const FILETIME& ft) {
    TRACE_MOD(modMain, "FileTimeToDate", TV_UDTPARAM(ft));
    // The arithmetic of the original, in double precision: whole hours
    // rounded half to even, then the rest in seconds (between -1800 and
    // 1800), which the date arithmetic rounds to a whole second.
    const double v = static_cast<double>(ft.dwHighDateTime) * 4294967296.0 + static_cast<double>(ft.dwLowDateTime);
    const double s = v / static_cast<double>(kTicksPerSecond);
    const double h = std::nearbyint(s / 3600.0);
    const double r = std::nearbyint(s - h * 3600.0);
    const DateTime result =
        DateTime{kFileTimeStart} + hours{static_cast<std::int64_t>(h)} + seconds{static_cast<std::int64_t>(r)};
    if (result > kLastDateTime) vb::Raise(vb::errInvalidCall, "modMain.FileTimeToDate");
    return result;
}

std::int32_t GetFileTimes(const std::string& file_name, DateTime& date_created, DateTime& date_accessed,
                          DateTime& date_written, bool local_time) {
    TRACE_MOD(modMain, "GetFileTimes", TV_PATH(file_name), TV_DATE(date_created), TV_DATE(date_accessed),
              TV_DATE(date_written), TV(local_time));
    // Opened for reading as the platform's own call does, so a folder or a
    // file that cannot be read fails; O_NONBLOCK keeps a named pipe from
    // holding the program up.
    const int fd = ::open(file_name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct statx sx {};
    const bool read = ::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) == 0;
    const bool closed = ::close(fd) == 0;
    if (!read || !closed || !S_ISREG(sx.stx_mode)) return -1;
    // A file system that keeps no creation time gives the last-write time.
    const struct statx_timestamp& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    const auto created = ToFileTime(born, local_time);
    const auto accessed = ToFileTime(sx.stx_atime, local_time);
    const auto written = ToFileTime(sx.stx_mtime, local_time);
    if (!created || !accessed || !written) return -1;
    try {
        const DateTime c = FileTimeToDate(*created);
        const DateTime a = FileTimeToDate(*accessed);
        const DateTime w = FileTimeToDate(*written);
        date_created = c;
        date_accessed = a;
        date_written = w;
    } catch (const vb::VbError&) {
        // A time the date-time value cannot hold counts as a failure to read.
        trace_frame_.Recover();
        return -1;
    }
    return 0;
}

}  // namespace modMain
