#include "clsZLIB.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "CommonMod.h"
#include "platform/FileIO.h"
#include "platform/VbError.h"
#include "platform/VbStrings.h"

namespace vedb {
namespace {

// compress and uncompress share one shape:
// int f(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen).
using ZlibFn = int (*)(unsigned char*, unsigned long*, const unsigned char*, unsigned long);

constexpr int kZOk = 0;
constexpr int kZMemError = -4;
constexpr int kZBufError = -5;

struct ZlibBinding {
    ZlibFn compress = nullptr;
    ZlibFn uncompress = nullptr;
};

std::mutex g_zlibMutex;
std::string g_zlibName = kZlibLibraryName;
bool g_zlibTried = false;
ZlibBinding g_zlib;

// Binds zlib once. The library is never unloaded (RTLD_NODELETE and no
// dlclose), so the pointers stay valid for the life of the process.
ZlibBinding Zlib() {
    std::lock_guard lock(g_zlibMutex);
    if (!g_zlibTried) {
        g_zlibTried = true;
        g_zlib = {};
        if (void* handle = ::dlopen(g_zlibName.c_str(), RTLD_NOW | RTLD_NODELETE)) {
            auto c = reinterpret_cast<ZlibFn>(::dlsym(handle, "compress"));
            auto u = reinterpret_cast<ZlibFn>(::dlsym(handle, "uncompress"));
            if (c && u) g_zlib = {c, u};
        }
    }
    return g_zlib;
}

std::int32_t CheckedSize(std::size_t n) {
    if (n > static_cast<std::size_t>(INT32_MAX)) vb::Raise(vb::errOverflow);
    return static_cast<std::int32_t>(n);
}

// The decimal length text of a compressed file: digits only, at most `limit`.
bool ParseLength(const std::string& text, std::int64_t limit, std::int64_t& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > limit) return false;
    }
    return true;
}

}  // namespace

void SetZlibLibraryName(const std::string& name) {
    std::lock_guard lock(g_zlibMutex);
    g_zlibName = name;
    g_zlibTried = false;
    g_zlib = {};
}

std::int32_t clsZLIB::CompressCapacity(std::int64_t n) {
    const double size = static_cast<double>(n);
    return vb::CLng(size * 0.01 + size + 12);
}

std::int64_t clsZLIB::MaxExpandedSize(std::size_t payloadSize) {
    const std::int64_t bound = 1032 * static_cast<std::int64_t>(std::min<std::size_t>(payloadSize, INT32_MAX)) + 1024;
    return std::min<std::int64_t>(bound, INT32_MAX);
}

std::int32_t clsZLIB::CompressString(std::string& text) {
    originalSize_ = CheckedSize(text.size());
    compressedSize_ = 0;
    const std::int32_t capacity = CompressCapacity(text.size());
    const ZlibBinding zlib = Zlib();
    if (!zlib.compress) {
        originalSize_ = 0;
        return kZlibUnavailable;
    }
    std::string out;
    try {
        out.resize(static_cast<std::size_t>(capacity));
    } catch (const std::bad_alloc&) {
        originalSize_ = 0;
        return kZMemError;
    }
    unsigned long outLen = static_cast<unsigned long>(capacity);
    const int code = zlib.compress(reinterpret_cast<unsigned char*>(out.data()), &outLen,
                                   reinterpret_cast<const unsigned char*>(text.data()), text.size());
    if (code != kZOk) {
        originalSize_ = 0;
        return code;
    }
    out.resize(outLen);
    text = std::move(out);
    compressedSize_ = static_cast<std::int32_t>(outLen);
    return code;
}

std::int32_t clsZLIB::DecompressString(std::string& text, std::int32_t originalSize) {
    compressedSize_ = CheckedSize(text.size());
    originalSize_ = 0;
    auto fail = [this](std::int32_t code) {
        compressedSize_ = 0;
        originalSize_ = 0;
        return code;
    };
    if (originalSize < 0) return fail(kZBufError);
    const ZlibBinding zlib = Zlib();
    if (!zlib.uncompress) return fail(kZlibUnavailable);
    const std::size_t capacity = static_cast<std::size_t>(originalSize) + 1;
    std::string out;
    try {
        out.resize(capacity);
    } catch (const std::bad_alloc&) {
        return fail(kZMemError);
    }
    unsigned long outLen = capacity;
    const int code = zlib.uncompress(reinterpret_cast<unsigned char*>(out.data()), &outLen,
                                     reinterpret_cast<const unsigned char*>(text.data()), text.size());
    if (code != kZOk) return fail(code);
    out.resize(outLen);
    text = std::move(out);
    originalSize_ = static_cast<std::int32_t>(outLen);
    return code;
}

std::int32_t clsZLIB::CompressData(std::vector<std::uint8_t>& data) {
    if (data.size() < 2) {
        originalSize_ = compressedSize_ = 0;
        return kZOk;
    }
    std::string bytes(data.begin(), data.end());
    const std::int32_t code = CompressString(bytes);
    if (code == kZOk) data.assign(bytes.begin(), bytes.end());
    return code;
}

std::int32_t clsZLIB::DecompressData(std::vector<std::uint8_t>& data, std::int32_t originalSize) {
    if (data.size() < 2) {
        originalSize_ = compressedSize_ = 0;
        return kZOk;
    }
    std::string bytes(data.begin(), data.end());
    const std::int32_t code = DecompressString(bytes, originalSize);
    if (code == kZOk) data.assign(bytes.begin(), bytes.end());
    return code;
}

std::int32_t clsZLIB::CompressToFileImage(std::string& content) {
    std::string stream = content;
    // A failed compression must not be written out as if it were a stream.
    if (CompressString(stream) != kZOk) return kZlibFileFailed;
    const std::string length = std::to_string(content.size());
    std::string image;
    image.reserve(std::strlen(ZlibFileMarker) + length.size() + 1 + stream.size());
    image += ZlibFileMarker;
    image += length;
    image += CommonMod::SEP;
    image += stream;
    content = std::move(image);
    return kZlibFileOk;
}

std::int32_t clsZLIB::DecompressFileImage(std::string& content) {
    const std::size_t markerLength = std::strlen(ZlibFileMarker);
    if (content.compare(0, markerLength, ZlibFileMarker) != 0) return kZlibFileNoMarker;
    if (content.size() > static_cast<std::size_t>(INT32_MAX)) return kZlibFileFailed;

    std::string lengthText;
    std::int32_t start = static_cast<std::int32_t>(markerLength) + 1;
    const std::int32_t payloadStart = CommonMod::GetToken(content, lengthText, start);
    std::string payload = content.substr(std::min(static_cast<std::size_t>(payloadStart) - 1, content.size()));

    // The length text comes from the file: it decides the allocation, so it
    // must be digits and no more than the payload can possibly expand to.
    std::int64_t length = 0;
    if (!ParseLength(lengthText, MaxExpandedSize(payload.size()), length)) return kZlibFileFailed;
    if (DecompressString(payload, static_cast<std::int32_t>(length)) != kZOk) return kZlibFileFailed;
    content = std::move(payload);
    return kZlibFileOk;
}

std::int32_t clsZLIB::CompressFile(const std::string& Path, const std::string& CompFName) {
    if (!CommonMod::FileExists(Path)) return kZlibFileMissing;
    std::string content = plat::ReadFileOrRaise(Path);
    const std::int32_t code = CompressToFileImage(content);
    if (code == kZlibFileOk) plat::ReplaceFile(CompFName, content);
    return code;
}

std::int32_t clsZLIB::DecompressFile(const std::string& Path, const std::string& DecompFName) {
    if (!CommonMod::FileExists(Path)) return kZlibFileMissing;
    std::string content = plat::ReadFileOrRaise(Path);
    const std::int32_t code = DecompressFileImage(content);
    if (code == kZlibFileOk) plat::ReplaceFile(DecompFName, content);
    return code;
}

}  // namespace vedb
