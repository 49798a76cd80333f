#include "device/Presets/PresetManager.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "gzip/Gzip.h"
#include "tests/device/Presets/PresetManagerTesting.h"

namespace {

using device::PresetManager;
using device::PresetManagerError;
using device::PresetName;
using device::PresetType;
using namespace device::testing;

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The case of the PresetManagerError `action` throws; "none" when it throws none.
std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const PresetManagerError& error) {
    return std::to_string(static_cast<int>(error.errorCase()));
  }
  return "none";
}
const std::string emptyPreset = "1", presetDoesNotExist = "3", invalidPath = "4";

TEST(PresetManagerFolder, ListsOnlyPresetFilesWithTheirModificationTime) {
  TemporaryFolder folder;
  for (const char* name : {"a.VELTOshow", "b.vup", "c.txt", "d.veltoshow", "e.VELTOshow.bak"})
    writeFile(folder.file(name), bytesOf("x"));
  const timespec times[2] = {{0, UTIME_NOW}, {1'600'000'000, 250'000'000}};
  ::utimensat(AT_FDCWD, folder.file("a.VELTOshow").c_str(), times, 0);

  const auto names = PresetManager::localPresetList(folder.path);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], PresetName("a", std::nullopt, PresetType::preset, std::nullopt));
  EXPECT_EQ(names[0].rawDate, "2020-09-13T12:26:40.250Z");
  EXPECT_THROW(PresetManager::localPresetList(folder.file("missing")), std::filesystem::filesystem_error);
}

TEST(PresetManagerFolder, WritesCompressedWithTheNamesDateOrNow) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path + "/");
  const PresetName dated("Song *[2021-03-04T05:06:07.890Z]");
  const auto before = std::chrono::system_clock::now() - std::chrono::milliseconds(1);
  manager.writePresetToLocal(bytesOf("<doc/>"), dated);
  manager.writePresetToLocal(bytesOf("<live/>"), PresetName("Live_[bkup_2022-01-01]"));
  const auto after = std::chrono::system_clock::now();

  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live_[bkup_2022-01-01].VELTOshow"}));
  std::ifstream file(folder.file("Song.VELTOshow"), std::ios::binary);
  EXPECT_TRUE(gzip::isZlibCompressed(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {})));
  EXPECT_EQ(textOf(manager.loadPreset(dated).data), "<doc/>");
  for (const PresetName& listed : PresetManager::localPresetList(folder.path)) {
    if (listed.name == "Song") {
      EXPECT_EQ(listed.rawDate, dated.rawDate);
    } else {
      EXPECT_EQ(listed.backupDate, "2022-01-01");
      EXPECT_TRUE(listed.date() >= before && listed.date() <= after) << listed.rawDate.value_or("none");
    }
  }
  EXPECT_EQ(PresetManager::presetPath("/p", "a"), PresetManager::presetPath("/p/", "a"));
  EXPECT_TRUE(PresetManager::defaultLocalPath().ends_with("/VODEZevovoravevez/Presets/"));
}

TEST(PresetManagerFolder, OverwritingLeavesOneFileAndAFailedReplaceKeepsTheOld) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path);
  manager.writePresetToLocal(bytesOf("old"), PresetName("Song"));
  manager.writePresetToLocal(bytesOf("new"), PresetName("Song *[2021-03-04T05:06:07.890Z]"));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"Song.VELTOshow"});
  EXPECT_EQ(textOf(manager.loadPreset(PresetName("Song")).data), "new");

  // What stands at the path cannot be replaced: it stays, the new file is dropped, the error
  // reaches the caller.
  std::filesystem::create_directories(folder.file("Live.VELTOshow/inside"));
  EXPECT_THROW(manager.writePresetToLocal(bytesOf("new"), PresetName("Live")), std::filesystem::filesystem_error);
  EXPECT_TRUE(std::filesystem::exists(folder.file("Live.VELTOshow/inside")));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live.VELTOshow"}));

  // A folder that cannot take the file; an empty document.
  EXPECT_THROW(PresetManager({}, folder.file("missing")).writePresetToLocal(bytesOf("x"), PresetName("Song")),
               std::filesystem::filesystem_error);
  manager.writePresetToLocal({}, PresetName("Empty"));
  EXPECT_FALSE(std::filesystem::exists(folder.file("Empty.VELTOshow")));
}

TEST(PresetManagerFolder, RefusesNamesThatAreNoPlainFileNames) {
  TemporaryFolder folder;
  const std::string inside = folder.file("inside");
  std::filesystem::create_directory(inside);
  writeFile(folder.file("outside.VELTOshow"), gzip::gzipped(bytesOf("keep")));
  const PresetManager manager({}, inside);
  const PresetName names[] = {
      PresetName(""),
      PresetName("."),
      PresetName(".."),
      PresetName("../outside"),
      PresetName("a/b"),
      PresetName(std::string("a\0b", 3), std::nullopt, PresetType::preset, std::nullopt),
      PresetName("x", std::nullopt, PresetType::preset, "/../../outside"),
  };
  for (const PresetName& name : names) {
    SCOPED_TRACE(name.baseName());
    EXPECT_EQ(errorOf([&] { manager.writePresetToLocal(bytesOf("x"), name); }), invalidPath);
    EXPECT_EQ(errorOf([&] { PresetManager::deletePresetFromLocal(name, inside); }), invalidPath);
    EXPECT_EQ(errorOf([&] { manager.loadPreset(name); }), invalidPath);
  }
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk("../outside.VELTOshow", inside); }), invalidPath);
  EXPECT_TRUE(std::filesystem::is_empty(inside));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"inside", "outside.VELTOshow"}));
}

TEST(PresetManagerFolder, ReadingAndDeletingReportWhatIsWrong) {
  TemporaryFolder folder;
  writeFile(folder.file("empty.VELTOshow"), {});
  writeFile(folder.file("plain.VELTOshow"), bytesOf("<not compressed/>"));
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk(folder.file("empty.VELTOshow")); }), emptyPreset);
  EXPECT_EQ(errorOf([&] { PresetManager::loadPresetFromDisk(folder.file("none.VELTOshow")); }), presetDoesNotExist);
  EXPECT_THROW(PresetManager::loadPresetFromDisk(folder.file("plain.VELTOshow")), gzip::GzipError);

  PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path);
  EXPECT_FALSE(std::filesystem::exists(folder.file("plain.VELTOshow")));
  EXPECT_THROW(PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path), std::filesystem::filesystem_error);
}

}  // namespace
