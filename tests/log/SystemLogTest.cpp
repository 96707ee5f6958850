#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/log/SystemLog.h"

namespace {

// Whether a line goes to the journal alone hangs on recognising the stream
// systemd connected: a wrong answer either doubles every line or loses them.
TEST(JournalStream, RecognisedOnlyByItsOwnDeviceAndInode) {
    char path[] = "/tmp/vrl-log-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const int other = open("/dev/null", O_WRONLY);
    struct stat st {};
    ASSERT_EQ(fstat(fd, &st), 0);
    const std::string device = std::to_string(st.st_dev);
    const std::string inode = std::to_string(st.st_ino);

    EXPECT_TRUE(platform::log::isJournalStream(fd, (device + ":" + inode).c_str()));
    EXPECT_FALSE(platform::log::isJournalStream(other, (device + ":" + inode).c_str()));
    EXPECT_FALSE(platform::log::isJournalStream(fd, (device + ":" + std::to_string(st.st_ino + 1)).c_str()));
    for (const std::string& bad : {std::string(), inode, device + ":", ":" + inode, device + ":" + inode + "x",
                                   device + ":-" + inode})
        EXPECT_FALSE(platform::log::isJournalStream(fd, bad.c_str())) << bad;
    EXPECT_FALSE(platform::log::isJournalStream(fd, nullptr));
    close(other);
    close(fd);
    unlink(path);
}

}  // namespace
