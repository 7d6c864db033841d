#include "app/trace/zeltClient.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "app/trace/Trace.h"
#include "platform/Registry.h"

namespace trace {
namespace {

// The leading number of a registry text ("3 sessions" gives 3); no number 0.
long LeadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
    long n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && n < 100000000) n = n * 10 + (text[i++] - '0');
    return neg ? -n : n;
}

// ReadRegistryValue: a text without its terminating NUL, a number, or Empty.
// The probe only reads (the original asked for write access as well).
RegValue ReadCurrentUserValue(const std::string& keyPath, const std::string& valueName) {
    auto v = plat::RegQueryValue(plat::HKEY_CURRENT_USER, keyPath, valueName);
    if (!v) return {};
    if (auto* s = std::get_if<std::string>(&*v)) return s->substr(0, s->find('\0'));
    return std::get<std::uint32_t>(*v);
}

}  // namespace

zeltClient::zeltClient() : zeltClient(&ReadCurrentUserValue, [] { return std::unique_ptr<DebuggerLink>(); }) {}

zeltClient::zeltClient(RegistryReader reader, LinkFactory factory)
    : reader_(std::move(reader)), factory_(std::move(factory)) {}

bool zeltClient::Initialize(long mode) {
    if (initialised_) return false;
    initialised_ = true;
    try {
        RegValue v = reader_ ? reader_(kDebuggerKey, "Count") : RegValue{};
        long count = 0;
        if (auto* s = std::get_if<std::string>(&v)) count = LeadingNumber(*s);
        if (auto* n = std::get_if<std::uint32_t>(&v)) count = static_cast<long>(*n);
        if (count == 0) return false;
        link_ = factory_ ? factory_() : nullptr;
        if (!link_) return false;  // the tool's client library is not installed
        link_->Start(mode);
        return true;
    } catch (...) {
        link_.reset();
        return false;
    }
}

long zeltClient::OnQuery(long queryType, std::string& result) const {
    try {
        switch (queryType) {
            case 1:
                result = kProgramTitle;
                return 1;
            case 2: {
                char buf[4096];
                ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
                result = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
                return 1;
            }
            case 3:
                result = VersionText();
                return 1;
            case 4:
                result = SplitCommandLine(ProcessCommandLine());
                return 1;
            default:
                break;
        }
    } catch (...) {
    }
    result.clear();
    return -6;
}

std::string zeltClient::SplitCommandLine(std::string_view line) {
    std::string_view path, rest;
    if (!line.empty() && line[0] == '"') {
        auto close = line.find('"', 1);
        if (close == std::string_view::npos) {
            path = line.substr(1);
        } else {
            path = line.substr(1, close - 1);
            rest = line.substr(close + 1);
        }
    } else {
        auto blank = line.find(' ');
        path = line.substr(0, blank);
        if (blank != std::string_view::npos) rest = line.substr(blank);
    }
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    std::string out(path);
    if (!rest.empty()) {
        out += ' ';
        out += rest;
    }
    return out;
}

std::string zeltClient::ProcessCommandLine() {
    std::string raw;
    int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) raw.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
    }
    std::string out;
    std::size_t start = 0;
    bool first = true;
    while (start < raw.size()) {
        std::size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        std::string arg = raw.substr(start, end - start);
        if (!first) out += ' ';
        if (first && arg.find(' ') != std::string::npos)
            out += '"' + arg + '"';
        else
            out += arg;
        first = false;
        start = end + 1;
    }
    return out;
}

}  // namespace trace
