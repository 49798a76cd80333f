#include "device/Presets/PresetManager.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "gzip/Gzip.h"
#include "tests/device/Presets/PresetManagerTesting.h"

namespace {

using device::PresetManager;
using device::PresetManagerError;
using device::PresetName;
using device::PresetType;
using namespace device::testing;
using namespace std::chrono_literals;

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

PresetManagerError::Case errorCase(const std::function<void()>& action) {
  try {
    action();
  } catch (const PresetManagerError& error) {
    return error.errorCase();
  }
  ADD_FAILURE() << "no PresetManagerError";
  return PresetManagerError::Case::localPathDoesNotExist;
}

TEST(PresetManagerFolder, ListsOnlyPresetFilesWithTheirModificationTime) {
  TemporaryFolder folder;
  for (const char* name : {"a.VELTOshow", "b.vup", "c.txt", "d.veltoshow", "e.VELTOshow.bak"})
    writeFile(folder.file(name), bytesOf("x"));
  ::utimensat(AT_FDCWD, folder.file("a.VELTOshow").c_str(),
              std::array<timespec, 2>{timespec{0, UTIME_NOW}, timespec{1'600'000'000, 250'000'000}}.data(), 0);

  const auto names = PresetManager::localPresetList(folder.path);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], PresetName("a", std::nullopt, PresetType::preset, std::nullopt));
  EXPECT_EQ(names[0].rawDate, "2020-09-13T12:26:40.250Z");

  EXPECT_THROW(PresetManager::localPresetList(folder.file("missing")), std::filesystem::filesystem_error);
}

TEST(PresetManagerFolder, WritesCompressedWithTheNamesDateAndReadsBack) {
  TemporaryFolder folder;
  LogRecorder log;
  const PresetManager manager({}, folder.path);
  const PresetName dated("Song *[2021-03-04T05:06:07.890Z]");
  const PresetName undated("Live_[bkup_2022-01-01]");

  const auto before = std::chrono::system_clock::now() - 1ms;
  manager.writePresetToLocal(bytesOf("<doc/>"), dated);
  manager.writePresetToLocal(bytesOf("<live/>"), undated);
  const auto after = std::chrono::system_clock::now();

  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live_[bkup_2022-01-01].VELTOshow"}));
  EXPECT_TRUE(gzip::isZlibCompressed(readFile(folder.file("Song.VELTOshow"))));
  EXPECT_EQ(textOf(manager.loadPreset(dated).data), "<doc/>");
  EXPECT_EQ(textOf(PresetManager::loadPresetFromDisk(undated.fileName(), folder.path + "/").data), "<live/>");

  for (const PresetName& listed : PresetManager::localPresetList(folder.path)) {
    if (listed.name == "Song") {
      EXPECT_EQ(listed.rawDate, dated.rawDate);
    } else {
      EXPECT_EQ(listed.backupDate, "2022-01-01");
      ASSERT_TRUE(listed.date());
      EXPECT_GE(*listed.date(), before);
      EXPECT_LE(*listed.date(), after);
    }
  }
  EXPECT_EQ(log.messages("writePresetToLocal"),
            (std::vector<std::string>{"writing preset Song *[2021-03-04T05:06:07.890Z] to disk",
                                      "writing preset Live to disk"}));
}

TEST(PresetManagerFolder, PathsWithAndWithoutTrailingSlashAgree) {
  EXPECT_EQ(PresetManager::presetPath("/p", "a.VELTOshow"), "/p/a.VELTOshow");
  EXPECT_EQ(PresetManager::presetPath("/p/", "a.VELTOshow"), "/p/a.VELTOshow");
  TemporaryFolder folder;
  PresetManager(std::vector<std::shared_ptr<device::PresetHandler>>{}, folder.path + "/")
      .writePresetToLocal(bytesOf("1"), PresetName("a"));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"a.VELTOshow"});
  EXPECT_TRUE(PresetManager::defaultLocalPath().ends_with("/VODEZevovoravevez/Presets/"));
}

TEST(PresetManagerFolder, OverwritingLeavesOneFileAndAFailedReplaceKeepsTheOld) {
  TemporaryFolder folder;
  LogRecorder log;
  const PresetManager manager({}, folder.path);
  manager.writePresetToLocal(bytesOf("old"), PresetName("Song"));
  manager.writePresetToLocal(bytesOf("new"), PresetName("Song"));
  EXPECT_EQ(folder.entries(), std::set<std::string>{"Song.VELTOshow"});
  EXPECT_EQ(textOf(manager.loadPreset(PresetName("Song")).data), "new");
  EXPECT_EQ(log.messages("writePresetToLocal"),
            (std::vector<std::string>{"writing preset Song to disk", "overwriting preset Song",
                                      "writing preset Song to disk"}));

  // What stands at the path cannot be replaced: it stays, the new file is dropped, the error
  // reaches the caller.
  std::filesystem::create_directories(folder.file("Live.VELTOshow/inside"));
  EXPECT_THROW(manager.writePresetToLocal(bytesOf("new"), PresetName("Live")), std::filesystem::filesystem_error);
  EXPECT_TRUE(std::filesystem::exists(folder.file("Live.VELTOshow/inside")));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"Song.VELTOshow", "Live.VELTOshow"}));
  EXPECT_EQ(log.warnings(), std::vector<std::string>{"failed deleting preset Live"});

  // A folder that cannot take the file: the error is thrown, nothing claims a write.
  const PresetManager missing({}, folder.file("missing"));
  EXPECT_THROW(missing.writePresetToLocal(bytesOf("x"), PresetName("Song")), std::filesystem::filesystem_error);
  EXPECT_EQ(log.messages("writePresetToLocal").back(), "failed deleting preset Live");

  // Empty documents are not written.
  manager.writePresetToLocal({}, PresetName("Empty"));
  EXPECT_FALSE(std::filesystem::exists(folder.file("Empty.VELTOshow")));
  EXPECT_EQ(log.warnings().back(), "preset Empty is empty");
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
    EXPECT_EQ(errorCase([&] { manager.writePresetToLocal(bytesOf("x"), name); }), PresetManagerError::Case::invalidPath);
    EXPECT_EQ(errorCase([&] { PresetManager::deletePresetFromLocal(name, inside); }),
              PresetManagerError::Case::invalidPath);
    EXPECT_EQ(errorCase([&] { manager.loadPreset(name); }), PresetManagerError::Case::invalidPath);
  }
  EXPECT_EQ(errorCase([&] { PresetManager::loadPresetFromDisk("../outside.VELTOshow", inside); }),
            PresetManagerError::Case::invalidPath);
  EXPECT_TRUE(std::filesystem::is_empty(inside));
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"inside", "outside.VELTOshow"}));
}

TEST(PresetManagerFolder, ReadingAndDeletingReportWhatIsWrong) {
  TemporaryFolder folder;
  writeFile(folder.file("empty.VELTOshow"), {});
  writeFile(folder.file("plain.VELTOshow"), bytesOf("<not compressed/>"));
  EXPECT_EQ(errorCase([&] { PresetManager::loadPresetFromDisk(folder.file("empty.VELTOshow")); }),
            PresetManagerError::Case::emptyPreset);
  EXPECT_EQ(errorCase([&] { PresetManager::loadPresetFromDisk(folder.file("none.VELTOshow")); }),
            PresetManagerError::Case::presetDoesNotExist);
  EXPECT_THROW(PresetManager::loadPresetFromDisk(folder.file("plain.VELTOshow")), gzip::GzipError);

  PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path);
  EXPECT_FALSE(std::filesystem::exists(folder.file("plain.VELTOshow")));
  EXPECT_THROW(PresetManager::deletePresetFromLocal(PresetName("plain"), folder.path),
               std::filesystem::filesystem_error);
}

TEST(PresetManagerFolder, LoadsADocument) {
  TemporaryFolder folder;
  const PresetManager manager({}, folder.path);
  const auto preset = device::Preset::emptyPreset();
  preset->name = PresetName("Song");
  manager.writePresetToLocal(preset->xmlData(), preset->name);
  EXPECT_EQ(manager.loadPresetModel(PresetName("Song"))->name, PresetName("Song"));
  EXPECT_EQ(PresetManager::loadPresetModel(folder.file("Song.VELTOshow"))->name, PresetName("Song"));
}

}  // namespace
