#pragma once
// File-name rules the preset code depends on. They work on text, never touch the file system, and
// differ from std::filesystem on purpose: a name's extension is the text after the LAST "." of the
// last path component, so ".VELTOshow" has the extension "VELTOshow" and an empty stem.
// Stateless: any thread may call.

#include <string>
#include <string_view>

namespace platform {

// The last component of a "/"-separated path, trailing "/" ignored: "/a/b.vup/" gives "b.vup",
// "/" gives "/", "" gives "".
std::string_view lastPathComponent(std::string_view path);

// The text after the last "." of the last path component; "" when it holds no ".".
std::string_view pathExtension(std::string_view path);

// The path without the last component's extension and the "." before it, trailing "/" ignored:
// "a/Show.x.vup" gives "a/Show.x", "Show" gives "Show".
std::string_view deletingPathExtension(std::string_view path);

// The last path component without its extension and the "." before it: "/a/Show.x.vup" gives
// "Show.x", ".vup" gives "", "Show" gives "Show".
std::string_view fileNameWithoutExtension(std::string_view path);

// Whether a name taken from outside (a device, a document) may be used as one file name inside a
// folder: not empty, not "." or "..", and without "/" or NUL.
bool isPlainFileName(std::string_view name);

}  // namespace platform
