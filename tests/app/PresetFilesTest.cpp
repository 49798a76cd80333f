#include "app/PresetManager/PresetFiles.h"

#include <filesystem>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "app/Dialogs.h"
#include "app/PresetManager/PrivateFolder.h"

namespace app {
namespace {

using device::PresetName;
using device::PresetType;
using namespace std::string_literals;

TEST(PresetFilesTest, NamesFromDevicesStayInsideTheirFolder) {
  struct Case {
    std::string name;
    std::optional<std::string> file;
  };
  const Case cases[] = {
      {"Show", "Show"},       {"a/b", "a_b"},       {"../x", ".._x"},   {"/", "_"},
      {".", std::nullopt},    {"..", std::nullopt}, {"", std::nullopt}, {"a\0b"s, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(safeFileName(c.name), c.file);
  }
  EXPECT_EQ(deviceFolderName({"SN1", "Stage/Left"}), "SN1 - Stage_Left");
  EXPECT_EQ(deviceFolderName({"..", ".."}), std::nullopt);
  EXPECT_EQ(presetFileName({"x", std::nullopt, PresetType::userShow, "2024/1"}), "x_[bkup_2024_1].vup");
  EXPECT_EQ(presetFileName({"..", std::nullopt, PresetType::preset, std::nullopt}), std::nullopt);
}

TEST(PresetFilesTest, WritesReplaceWholeFilesAndReadsAreBounded) {
  PrivateFolder folder("files-test");
  const auto path = folder.path() / "Show.VELTOshow";
  const std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
  writeFileAtomically(path, first);
  writeFileAtomically(path, second);
  EXPECT_EQ(readWholeFile(path), second);
  EXPECT_THROW(readWholeFile(path, 1), std::filesystem::filesystem_error);
  // Only the file itself: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
  EXPECT_THROW(writeFileAtomically(folder.path() / "missing" / "x", first), std::filesystem::filesystem_error);
  EXPECT_THROW(readWholeFile(folder.path() / "missing"), std::filesystem::filesystem_error);
  // Alerts name the file and give the system's reason.
  const auto tooLong = folder.path() / (std::string(300, 'a') + ".VELTOshow");
  const auto failure = [](auto write) {
    try {
      write();
    } catch (...) {
      return errorDescription(std::current_exception());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure([&] { writeFileAtomically(tooLong, first); }),
            "Could not write \u201c" + tooLong.string() + "\u201d: File name too long");
  EXPECT_EQ(failure([] { throw std::filesystem::filesystem_error("x", "/p", std::make_error_code(std::errc::io_error)); }),
            "Could not access \u201c/p\u201d: Input/output error");
}

}  // namespace
}  // namespace app
