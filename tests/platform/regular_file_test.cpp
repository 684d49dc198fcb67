#include <cerrno>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <gtest/gtest.h>

#include "platform/regular_file.h"
#include "platform/regular_file_nonblocking.h"
#include "support/temp_dir.h"

namespace kivo {
namespace {

using test::TempDir;

TEST(OpenRegularFile, OpensAFileAndLeavesItBlocking) {
    TempDir tmp;
    const std::string p = tmp.write("a.jpg", "abc");
    RegularFile f = OpenRegularFile(p);
    ASSERT_TRUE(f) << OpenErrorText(f.error);
    EXPECT_EQ(f.error, 0);
    EXPECT_EQ(::fcntl(f.fd.get(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(f.fd.get(), F_GETFD) & FD_CLOEXEC, 0);
    char buf[4] = {};
    EXPECT_EQ(::read(f.fd.get(), buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "abc");
}

// Every kind of non-regular entry is refused at once, never waited on.
TEST(OpenRegularFile, RefusesWhatIsNotARegularFile) {
    TempDir tmp;
    const std::string fifo = tmp.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = tmp.mkdir("folder.jpg");
    const std::string sock = tmp.file("s.jpg");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(sock.size(), sizeof addr.sun_path);
    sock.copy(addr.sun_path, sock.size());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    for (const std::string& p : {fifo, folder, std::string("/dev/null")}) {
        const RegularFile f = OpenRegularFile(p);
        EXPECT_FALSE(f) << p;
        EXPECT_EQ(f.error, kNotRegularFile) << p;
    }
    // A socket cannot be opened at all; either way it is refused with a reason.
    const RegularFile f = OpenRegularFile(sock);
    EXPECT_FALSE(f);
    EXPECT_NE(f.error, 0);
    ::close(s);
    EXPECT_EQ(OpenErrorText(kNotRegularFile), "not a regular file");
}

TEST(OpenRegularFile, NonBlockingUntilClearedAndStillOnlyRegularFiles) {
    TempDir tmp;
    const std::string fifo = tmp.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& p : {fifo, tmp.mkdir("folder.jpg"), std::string("/dev/null")})
        EXPECT_EQ(OpenRegularFileNonBlocking(p).error, kNotRegularFile) << p;
    EXPECT_EQ(OpenRegularFileNonBlocking(tmp.file("none.jpg")).error, ENOENT);

    const RegularFile f = OpenRegularFileNonBlocking(tmp.write("a.jpg", "abc"));
    ASSERT_TRUE(f) << OpenErrorText(f.error);
    EXPECT_EQ(f.info.st_size, 3);
    EXPECT_NE(::fcntl(f.fd.get(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(f.fd.get(), F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_TRUE(ClearNonBlocking(f.fd.get()));
    EXPECT_EQ(::fcntl(f.fd.get(), F_GETFL) & O_NONBLOCK, 0);
    EXPECT_FALSE(ClearNonBlocking(-1));
}

TEST(OpenRegularFile, MissingFileAndLinkRefusedWithTheirErrno) {
    TempDir tmp;
    EXPECT_EQ(OpenRegularFile(tmp.file("none.jpg")).error, ENOENT);
    const std::string target = tmp.write("t.jpg", "t");
    const std::string link = tmp.file("l.jpg");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(OpenRegularFile(link));
    EXPECT_EQ(OpenRegularFile(link, O_RDONLY | O_NOFOLLOW).error, ELOOP);
    EXPECT_EQ(OpenErrorText(ENOENT), "No such file or directory");
}

TEST(OpenRegularFile, RelativeToAFolderDescriptor) {
    TempDir tmp;
    tmp.write("d/x.jpg", "x");
    UniqueFd dir(::open(tmp.file("d").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    ASSERT_TRUE(dir);
    EXPECT_TRUE(OpenRegularFileAt(dir.get(), "x.jpg"));
    EXPECT_EQ(OpenRegularFileAt(dir.get(), "y.jpg").error, ENOENT);
}

TEST(UniqueFd, ClosesOnceAndMoves) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[1]);
    UniqueFd a(fds[0]);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), fds[0]);
    b.reset();
    EXPECT_EQ(::fcntl(fds[0], F_GETFD), -1); // closed
}

} // namespace
} // namespace kivo
