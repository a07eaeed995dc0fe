#include "app/run_directory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Started where shader/ and resources/ are not, the demo goes to the recorded project
// root, or says where to run from.
TEST(BadInputRunDirectory, TheCurrentFolderFirstThenTheRecordedRoot) {
    const fs::path base = fs::temp_directory_path() / "lanternfall-run-directory";
    fs::remove_all(base);
    const fs::path root = base / "root";
    const fs::path half = base / "half";
    const fs::path elsewhere = base / "elsewhere";
    fs::create_directories(root / "shader");
    fs::create_directories(root / "resources");
    fs::create_directories(half / "shader");
    fs::create_directories(elsewhere);
    // A file named like a folder is not one.
    std::ofstream((half / "resources").string()) << "not a folder";

    EXPECT_TRUE(isRunDirectory(root.string()));
    EXPECT_FALSE(isRunDirectory(half.string()));
    EXPECT_FALSE(isRunDirectory(elsewhere.string()));
    EXPECT_FALSE(isRunDirectory(""));

    EXPECT_EQ(chooseRunDirectory(root.string(), half.string()), root.string());
    EXPECT_EQ(chooseRunDirectory(elsewhere.string(), root.string()), root.string());
    EXPECT_EQ(chooseRunDirectory(half.string(), root.string()), root.string());
    EXPECT_EQ(chooseRunDirectory(elsewhere.string(), half.string()), "");
    EXPECT_EQ(chooseRunDirectory(elsewhere.string(), (base / "gone").string()), "");
    fs::remove_all(base);
}

} // namespace
