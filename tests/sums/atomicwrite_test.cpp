// The atomic write: a new file, a replaced file, and failures that leave the old file and no
// temporary file behind.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "atomicwrite.h"

namespace fs = std::filesystem;

namespace {

std::string Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class AtomicWrite : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("quernix_atomic_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all);
        fs::remove_all(dir_);
    }
    // The folder holds exactly these names: no temporary file was left.
    void ExpectNames(std::initializer_list<std::string> names) {
        std::set<std::string> found, expected(names);
        for (const auto& e : fs::directory_iterator(dir_))
            found.insert(e.path().filename().string());
        EXPECT_EQ(found, expected);
    }
    fs::path dir_;
};

TEST_F(AtomicWrite, WritesAndReplacesKeepingPermissions) {
    const fs::path file = dir_ / "sums.md5";
    ASSERT_EQ(sums::WriteAtomically(file.string(), "first\n"), 0);
    EXPECT_EQ(Content(file), "first\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string big(3 << 20, 'x');
    ASSERT_EQ(sums::WriteAtomically(file.string(), big), 0);
    EXPECT_EQ(Content(file), big);
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ExpectNames({"sums.md5"});
}

TEST_F(AtomicWrite, FailuresLeaveTheOldFileAndNoTemporary) {
    const fs::path old = dir_ / "old.md5";
    std::ofstream(old) << "old content\n";
    fs::create_directory(dir_ / "folder");
    struct Case {
        fs::path path;
        int error;
    } cases[] = {
        {old / "below-a-file", ENOTDIR},  // the "folder" is a file
        {dir_ / "missing" / "x.md5", ENOENT},
        {dir_ / "folder", EISDIR},  // a folder of that name is not replaced
        {dir_ / "folder/", EISDIR},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sums::WriteAtomically(c.path.string(), "new\n"), c.error) << c.path;
    EXPECT_EQ(Content(old), "old content\n");
    ExpectNames({"old.md5", "folder"});
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

// A folder the user may not write to. Root writes anywhere: the write runs as another user.
TEST_F(AtomicWrite, ReadOnlyFolderRefusesWithoutTouchingTheFile) {
    const fs::path old = dir_ / "old.md5";
    std::ofstream(old) << "old content\n";
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec |
                              fs::perms::group_read | fs::perms::group_exec);
    fs::permissions(old, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_all);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    } else {
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const int error = sums::WriteAtomically(old.string(), "new\n");
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(Content(old), "old content\n");
    ExpectNames({"old.md5"});
}

}  // namespace
