#pragma once
// zlib's compress and uncompress for byte arrays, strings and whole files,
// and the compressed database file:
//
//   offset 0   16 bytes  the marker ZlibFileMarker
//   offset 16  1+ bytes  the original length in decimal ASCII digits
//   then       1 byte    SEP (0x87)
//   then       the rest  the zlib stream of the original bytes
//
// zlib is not linked: it is bound by name at run time on first use. Without
// it the members fail with the codes below; nothing crashes.
#include <cstdint>
#include <string>
#include <vector>

namespace vedb {

inline constexpr const char* ZlibFileMarker = "hd+kvZo23 o8 j@a";
inline constexpr const char* kZlibLibraryName = "libz.so.1";

// The byte-array and string members return zlib's own codes (0 success,
// -4 out of memory, -5 output too small or input incomplete, -3 corrupt
// data) and this one when zlib cannot be loaded; compress and uncompress
// never return it themselves.
inline constexpr std::int32_t kZlibUnavailable = -6;

// Results of CompressFile and DecompressFile.
inline constexpr std::int32_t kZlibFileOk = 0;
inline constexpr std::int32_t kZlibFileMissing = -2;
inline constexpr std::int32_t kZlibFileNoMarker = -3;
// zlib failed, was missing, or the compressed file is damaged (an invalid
// length text, a stream that does not expand to it). Nothing was written.
inline constexpr std::int32_t kZlibFileFailed = -4;

// Names the library to bind on the next use and drops the current binding.
// For tests, to see what happens when zlib is missing; the default is
// kZlibLibraryName.
void SetZlibLibraryName(const std::string& name);

class clsZLIB {
public:
    // The original showed an About box; a library shows no windows.
    bool About() const { return false; }

    // Arrays of fewer than two bytes are left alone (both sizes 0, result 0).
    std::int32_t CompressData(std::vector<std::uint8_t>& data);
    std::int32_t DecompressData(std::vector<std::uint8_t>& data, std::int32_t originalSize);

    // On success the string holds the result and the sizes describe it; on
    // failure it stays as it was. Compressing into a buffer of
    // CompressCapacity(n) bytes; expanding into originalSize + 1 bytes (a
    // negative originalSize gives -5).
    std::int32_t CompressString(std::string& text);
    std::int32_t DecompressString(std::string& text, std::int32_t originalSize);

    // Both read the input whole and replace the output through a temporary
    // file and a rename, so Path may equal the output and a failure never
    // costs the old file. Read and write errors raise (75, 76).
    // CompressFile: 0, -2 (no input) or -4 (zlib failed; nothing written).
    std::int32_t CompressFile(const std::string& Path, const std::string& CompFName);
    // DecompressFile: 0, -2 (no input), -3 (no marker) or -4 (damaged; the
    // output is untouched).
    std::int32_t DecompressFile(const std::string& Path, const std::string& DecompFName);

    // The same two steps on bytes in memory, the layout above without any
    // file: `content` becomes the compressed file's bytes (0, or -4 with
    // `content` unchanged), or the original bytes of such a file (0; -3 no
    // marker, -4 damaged, `content` then unchanged).
    std::int32_t CompressToFileImage(std::string& content);
    std::int32_t DecompressFileImage(std::string& content);

    std::int32_t CompressedSize() const { return compressedSize_; }
    std::int32_t OriginalSize() const { return originalSize_; }

    // n * 0.01 + n + 12 rounded half to even; raises 6 past 32 bits.
    static std::int32_t CompressCapacity(std::int64_t n);
    // The most an untrusted length text may ask to allocate for a payload
    // of `payloadSize` bytes: deflate expands at most 1032-fold.
    static std::int64_t MaxExpandedSize(std::size_t payloadSize);

private:
    std::int32_t originalSize_ = 0;
    std::int32_t compressedSize_ = 0;
};

}  // namespace vedb
