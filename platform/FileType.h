#pragma once
// A file type known by its file-name extension: what the windows put into drag-and-drop data and
// file dialogs for documents the program writes. A plain value; any thread may use it.

#include <string>
#include <string_view>

namespace platform {

struct FileType {
  std::string identifier;         // reverse-DNS name of the type, e.g. "org.velto.vup"
  std::string filenameExtension;  // without the dot, exact case
  std::string mimeType;           // the MIME type used in drag-and-drop data
  bool conformsToData = true;     // a flat file of bytes (not a folder or package)

  // The type of files with this extension, declared by the application as plain data.
  static FileType exported(std::string_view filenameExtension);

  // Whether a path's extension (platform::pathExtension) is this type's, exact case.
  bool matches(std::string_view path) const;

  friend bool operator==(const FileType&, const FileType&) = default;
};

}  // namespace platform
