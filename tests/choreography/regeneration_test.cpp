#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "tools/choreography/writer.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The committed tables are what the figures give today: a figure changed without running the
// tool, or a table edited by hand, fails here.
TEST(Choreography, CommittedTablesMatchAFreshGeneration) {
    const auto folder = std::filesystem::temp_directory_path() / ("vantaro-choreography-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(choreography::WriteGeneratedSource(folder.string()));
    const std::string fresh = ReadFile(folder / choreography::kGeneratedFileName);
    std::filesystem::remove_all(folder);

    const std::string committed =
        ReadFile(std::filesystem::path(VANTARO_SOURCE_DIR) / "manoeuvres" / choreography::kGeneratedFileName);
    ASSERT_FALSE(fresh.empty());
    EXPECT_TRUE(fresh == committed) << "manoeuvres/" << choreography::kGeneratedFileName
                                    << " is out of date: run build/vantaro-choreography manoeuvres";
}

TEST(Choreography, ReportsAFolderItCannotWriteTo) {
    EXPECT_FALSE(choreography::WriteGeneratedSource("/nonexistent/folder/for/vantaro"));
}

}  // namespace
