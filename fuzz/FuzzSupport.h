#pragma once
// What the fuzz targets share: a manager per input (so no state or error
// history carries over from one input to the next) and a private folder for
// the files the reader needs.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "VEDataManager.h"
#include "platform/FileIO.h"

namespace fuzz {

struct ReleaseManager {
    void operator()(vedb::VEDataManager* m) const { m->Release(); }
};
using ManagerPtr = std::unique_ptr<vedb::VEDataManager, ReleaseManager>;
inline ManagerPtr NewManager() { return ManagerPtr(new vedb::VEDataManager()); }

inline std::string Bytes(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A folder of this process's own, removed when it ends; in memory where
// the system offers it, since every save syncs its file.
class Folder {
public:
    Folder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "qpm-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const char* name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Writes the bytes as they are (no sync: the reader only needs them there).
inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

inline const Folder& TempFolder() {
    static Folder folder;
    return folder;
}

}  // namespace fuzz
