#include "app/run_directory.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Started where shader/ and resources/ are not, the demo goes to the data installed beside
// its executable, then to the recorded project root, or says where it looked.
TEST(BadInputRunDirectory, TheCurrentFolderFirstThenTheInstalledDataThenTheRecordedRoot) {
    const TemporaryFolder folder;
    const fs::path base = folder.path;
    const fs::path root = base / "root";
    const fs::path half = base / "half";
    const fs::path elsewhere = base / "elsewhere";
    const fs::path prefix = base / "moved" / "usr";
    fs::create_directories(root / "shader");
    fs::create_directories(root / "resources");
    fs::create_directories(half / "shader");
    fs::create_directories(elsewhere);
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "lanternfall" / "shader");
    fs::create_directories(prefix / "share" / "lanternfall" / "resources");
    // A file named like a folder is not one.
    std::ofstream((half / "resources").string()) << "not a folder";

    EXPECT_TRUE(isRunDirectory(root.string()));
    EXPECT_FALSE(isRunDirectory(half.string()));
    EXPECT_FALSE(isRunDirectory(elsewhere.string()));
    EXPECT_FALSE(isRunDirectory(""));

    const std::string installed = installedDataDirectory((prefix / "bin" / "lanternfall").string());
    EXPECT_EQ(installed, (prefix / "share" / "lanternfall").string());
    EXPECT_EQ(installedDataDirectory(""), "");
    EXPECT_EQ(chooseRunDirectory({root.string(), installed, half.string()}), root.string());
    EXPECT_EQ(chooseRunDirectory({elsewhere.string(), installed, root.string()}), installed);
    EXPECT_EQ(chooseRunDirectory({half.string(), "", root.string()}), root.string());
    EXPECT_EQ(chooseRunDirectory({elsewhere.string(), "", half.string()}), "");
    EXPECT_EQ(chooseRunDirectory({elsewhere.string(),
                                  installedDataDirectory((elsewhere / "lanternfall").string()),
                                  (base / "gone").string()}),
              "");
}

// The line names each place looked in, in order; a build without a recorded root (the
// packaged demo) and an executable whose path is unknown say so without an empty name; a
// tool, which no package installs, is not told to install itself.
TEST(BadInputRunDirectory, TheMessageNamesEveryPlaceLookedIn) {
    RunDirectorySearch search{"/home/me", "/opt/share/lanternfall", "/src/lanternfall", ""};
    EXPECT_EQ(noRunDirectoryMessage(search, "the demo", true),
              "ERROR::FILES:: /home/me has no shader/ and resources/, nor has "
              "/opt/share/lanternfall or /src/lanternfall; run the demo from the project's root "
              "folder, or install it");
    search.projectRoot.clear();
    search.installed.clear();
    EXPECT_EQ(noRunDirectoryMessage(search, "the recorder", false),
              "ERROR::FILES:: /home/me has no shader/ and resources/, nor has an installed copy; "
              "run the recorder from the project's root folder");
}

} // namespace
