#pragma once
// What every report must be: one text of the code page.
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"

namespace tracetest {

// Every byte of `report` is a character of code page `page`: none that the
// page leaves undefined (those decode to C1 controls or private-use
// characters), no control character but the line ends.
inline void ExpectCodePageText(const std::string& report, int page = 1252) {
    const plat::CodePage& cp = *plat::CodePage::Get(page);
    for (std::size_t i = 0; i < report.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(report[i]);
        const char32_t ch = cp.ToUnicode(b);
        const bool control = ch < 0x20 ? (b != '\r' && b != '\n') : (ch >= 0x7F && ch < 0xA0);
        EXPECT_FALSE(control || (ch >= 0xE000 && ch < 0xF900)) << "byte " << int(b) << " at " << i;
    }
}

}  // namespace tracetest
