// POSIX backend only: the exclusive open, which holds for root too.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "serial/serial.h"
#include "toolkit/headless.h"

namespace {

constexpr std::int8_t kCom13 = 12;

std::string Com13Path() {
    return std::string(std::getenv("LORVAN_PORTS_DIR")) + "/COM13";
}

// Another program's open of the port, taken as that program would: open and lock.
bool OtherProgramOpens(int& fd) {
    fd = open(Com13Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return false;  // refused by the exclusive tty (not root)
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        fd = -1;
        return false;
    }
    return true;
}

class ExclusiveOpen : public ::testing::Test {
  protected:
    void SetUp() override { toolkit::Application = &app; }
    void TearDown() override {
        ClosePort();
        toolkit::Application = nullptr;
    }
    toolkit::headless::HeadlessApp app;
};

TEST_F(ExclusiveOpen, PortHeldByThisToolCannotBeOpenedElsewhere) {
    ASSERT_TRUE(InitPort(kCom13));
    int fd = -1;
    EXPECT_FALSE(OtherProgramOpens(fd));
    ClosePort();
    ASSERT_TRUE(OtherProgramOpens(fd)) << "free again once closed";
    close(fd);
}

TEST_F(ExclusiveOpen, PortHeldElsewhereFailsLikeAMissingPort) {
    int fd = -1;
    ASSERT_TRUE(OtherProgramOpens(fd));
    EXPECT_FALSE(InitPort(kCom13));
    EXPECT_FALSE(PortIsOpen());
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text, L"Ошибка открытия порта");
    EXPECT_EQ(app.boxes[0].caption, L"Внимание!");
    close(fd);
    EXPECT_TRUE(InitPort(kCom13));
    EXPECT_EQ(app.boxes.size(), 1u);
}

}  // namespace
