// Files replaced whole: what a writer leaves behind on success and failure.

#include <sys/stat.h>

#include "platform/files.h"
#include "test_util.h"

namespace fs = std::filesystem;

TEST(ReplaceFile, WritesThroughSymbolicLinksAndKeepsTheLink) {
    test::scratch_dir dir;
    fs::create_directory(dir / "real");
    test::write_file(dir / "real/data.csv", "old");
    fs::create_symlink("real/data.csv", dir / "link.csv");  // relative link
    ASSERT_TRUE(replace_file(dir / "link.csv", "new", 3));
    EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
    EXPECT_EQ(test::read_file(dir / "real/data.csv"), "new");
    // a dangling link creates the file it names
    fs::create_symlink(dir / "real/fresh.csv", dir / "dangling.csv");
    ASSERT_TRUE(replace_file(dir / "dangling.csv", "x", 1));
    EXPECT_EQ(test::read_file(dir / "real/fresh.csv"), "x");
}

TEST(ReplaceFile, KeepsTheModeOfAReplacedFileAndGivesNewFilesTheUsualOne) {
    test::scratch_dir dir;  // a private file must not become readable by others, nor a shared one private
    test::write_file(dir / "kept", "a");
    fs::permissions(dir / "kept", fs::perms(0640));
    ASSERT_TRUE(replace_file(dir / "kept", "b", 1));
    EXPECT_EQ(fs::status(dir / "kept").permissions(), fs::perms(0640));

    mode_t old = umask(022);
    ASSERT_TRUE(replace_file(dir / "new", "c", 1));
    umask(old);
    EXPECT_EQ(fs::status(dir / "new").permissions(), fs::perms(0644));
}

TEST(ReplaceFile, AFailureLeavesNoTraceAndTheTargetUntouched) {
    test::scratch_dir dir;
    fs::create_directory(dir / "folder");
    test::write_file(dir / "folder/inside", "keep");
    EXPECT_FALSE(replace_file(dir / "folder", "x", 1));  // a folder cannot be replaced by a file
    EXPECT_EQ(test::read_file(dir / "folder/inside"), "keep");
    EXPECT_FALSE(replace_file(dir / "absent/x", "x", 1));
    // only "folder": no temporary file left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}
