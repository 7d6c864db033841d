// The error codes, the last error and the error history.
#include <chrono>
#include <cstdio>
#include <ctime>

#include "VEDataManager.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

// "YYYY-MM-DD HH:MM:SS (seconds since midnight)", always in the C locale's
// form so the history reads the same on every system.
std::string TimeText() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    auto sinceSecond = duration_cast<microseconds>(now.time_since_epoch()) % seconds(1);
    float midnight = static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) +
                     static_cast<float>(sinceSecond.count()) / 1e6f;
    char secs[32];
    std::snprintf(secs, sizeof secs, "%.7g", static_cast<double>(midnight));
    return std::string(date) + " (" + secs + ")";
}

}  // namespace

void VEDataManager::FillErrMessages() {
    errMsgs_ = {
        "Unknown error.",
        "Database hasn't name.",
        "Database hasn't flags description.",
        "Wrong table name.",
        "Wrong field format in table's caption.",
        "Table already exist in database.",
        "Field already exist in table.",
        "Can't find help value for field.",
        "Database hasn't version mark.",
        "Unrecognized string in DB file.",
        "Not find table for conversion to string.",
    };
}

void VEDataManager::SetError(std::int32_t code, const std::string& from, const std::string& extra,
                             const Caught& caught) {
    errNum_ = code;
    errDesc_ = (code >= 0 && static_cast<std::size_t>(code) < errMsgs_.size()) ? errMsgs_[code] : std::string();
    errFrom_ = from.empty() ? "Unknown" : from;
    errExtra_ = (extra.empty() ? std::string("Nothing") : extra) + ". LastVbErrorNum: " + vb::CStr(caught.number) +
                ", LastVbErrorDesc: " + caught.description;
    AddErrToHistory();
}

void VEDataManager::AddErrToHistory() {
    history_.push_back("ErrNumber: " + vb::Str(static_cast<std::int64_t>(errNum_)) + ", ErrDescription: " + errDesc_ +
                       ", ErrSource: " + errFrom_ + ", ErrExtra: " + errExtra_ + ", Time: " + TimeText());
}

std::int32_t VEDataManager::ClearErrors() {
    history_.clear();
    return 0;
}

std::int32_t VEDataManager::ErrHistLen() const { return static_cast<std::int32_t>(history_.size()); }

std::string VEDataManager::ErrHistory(std::int32_t Index) const {
    if (Index < 1) vb::Raise(vb::errSubscript);
    if (static_cast<std::size_t>(Index) > history_.size()) return {};
    return history_[static_cast<std::size_t>(Index) - 1];
}

}  // namespace vedb
