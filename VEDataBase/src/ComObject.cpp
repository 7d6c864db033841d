#include "ComObject.h"

namespace vedb {

std::atomic<long>& LibraryUsage() {
    static std::atomic<long> usage{0};
    return usage;
}

}  // namespace vedb
