#pragma once
// Who may include whom among the program's source folders, read from the
// #include lines of each folder's files.
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace layers {

// One #include that a folder's rule does not allow.
struct Breach {
    std::string file;     // relative to the root
    std::string include;  // as written
    std::string why;
    bool operator==(const Breach&) const = default;
};

struct ScanResult {
    std::vector<Breach> breaches;
};

// Scans the product folders under `root`. `qtCoreDir` is QtCore's own
// include folder: the core may include a Qt header only when it is there.
ScanResult ScanLayers(const std::filesystem::path& root, const std::filesystem::path& qtCoreDir);

std::string Describe(const Breach& b);
inline void PrintTo(const Breach& b, std::ostream* os) { *os << Describe(b); }

}  // namespace layers
