// The compression class over arbitrary bytes: a compressed file's layout as
// a load meets it, a raw stream with a claimed length, and the round trip.
#include "FuzzSupport.h"
#include "clsZLIB.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzz::Bytes(data, size);
    vedb::clsZLIB zlib;

    std::string image = bytes;
    const std::int32_t r = zlib.DecompressFileImage(image);
    if (r != vedb::kZlibFileOk && r != vedb::kZlibFileNoMarker && r != vedb::kZlibFileFailed) std::abort();
    if (r != vedb::kZlibFileOk && image != bytes) std::abort();  // a failure changes nothing
    if (r == vedb::kZlibFileOk) {
        std::string again = image;
        if (zlib.CompressToFileImage(again) != vedb::kZlibFileOk) std::abort();
        if (zlib.DecompressFileImage(again) != vedb::kZlibFileOk || again != image) std::abort();
    }

    // A raw stream whose expanded length the first two bytes claim.
    if (size >= 2) {
        std::string stream = bytes.substr(2);
        zlib.DecompressString(stream, data[0] << 8 | data[1]);
    }

    std::string round = bytes;
    if (zlib.CompressString(round) != 0) std::abort();
    if (zlib.DecompressString(round, static_cast<std::int32_t>(size)) != 0 || round != bytes) std::abort();
    return 0;
}
