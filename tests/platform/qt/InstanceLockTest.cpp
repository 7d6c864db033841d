#include <gtest/gtest.h>

#include <QLockFile>

#include "TempDir.h"
#include "platform/qt/InstanceLock.h"

namespace {

TEST(InstanceLock, HeldForTheRunAndRefusedToAnotherHolder) {
    qpmtest::TempDir tmp;
    const std::string path = tmp.file("QuellonPM.lock");
    ASSERT_TRUE(qtplat::AcquireInstanceLock(path));
    EXPECT_TRUE(qtplat::AcquireInstanceLock(path));  // the program's own lock again
    QLockFile other(QString::fromStdString(path));
    EXPECT_FALSE(other.tryLock(0));
    qtplat::ReleaseInstanceLock();
    EXPECT_TRUE(other.tryLock(0));
    EXPECT_FALSE(qtplat::AcquireInstanceLock(path));
    other.unlock();
}

TEST(InstanceLock, ALockLeftByAProgramThatIsGoneIsTakenOver) {
    qpmtest::TempDir tmp;
    const std::string path = tmp.file("QuellonPM.lock");
    // What a crashed holder leaves: its process number, name and host.
    qpmtest::WriteBytes(path, "999999999\nQuellonPasswordMngr\n" + QSysInfo::machineHostName().toStdString() + "\n");
    EXPECT_TRUE(qtplat::AcquireInstanceLock(path));
    qtplat::ReleaseInstanceLock();
}

}  // namespace
