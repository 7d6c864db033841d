// The single-precision text form of the stored window geometry.
#include <gtest/gtest.h>

#include "app/mainwindow/WindowOptions.h"

namespace {

TEST(WindowOptions, SingleTexts) {
    EXPECT_EQ(winopt::CStrSingle(9090), "9090");
    EXPECT_EQ(winopt::CStrSingle(319.6f), "319.6");
    EXPECT_EQ(winopt::CStrSingle(364.6f), "364.6");
    EXPECT_EQ(winopt::CStrSingle(0.5f), "0.5");
    EXPECT_EQ(winopt::CStrSingle(-120), "-120");
}

}  // namespace
