#pragma once
// Files of the preset operation tests: reading and writing whole files, a folder's tree, drops of
// files, and the overwrite questions asked.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <QList>
#include <QMimeData>
#include <QUrl>

#include "tests/app/ScriptedDialogs.h"

namespace app::testing {

inline std::string contents(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Every file under `folder`, as sorted paths relative to it.
inline std::vector<std::string> tree(const std::filesystem::path& folder) {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    paths.push_back(std::filesystem::relative(entry.path(), folder).string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

inline std::filesystem::path writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// A drop of these files, as a file manager makes it.
inline std::unique_ptr<QMimeData> fileDrop(const std::vector<std::filesystem::path>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const auto& path : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(path.string())));
  data->setUrls(urls);
  return data;
}

// The "Overwrite Preset?" questions asked, with their button counts: "TEXT [N]".
inline std::vector<std::string> questionTexts(const ScriptedDialogs& dialogs) {
  std::vector<std::string> texts;
  for (const auto& alert : dialogs.alerts)
    if (alert.messageText == "Overwrite Preset?")
      texts.push_back(alert.informativeText + " [" + std::to_string(alert.buttons.size()) + "]");
  return texts;
}

}  // namespace app::testing
