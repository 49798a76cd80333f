#pragma once
// One preset of a mixing device held as a document: the parsed XML tree as it came from the device
// or a file, plus the parts the program edits (name, version text, mix users). Reading takes those
// parts out of the tree; writing (xmlData) puts them back into the same tree, so every element and
// attribute the program does not model passes through unchanged.
//
// A reference type held through std::shared_ptr; independent copies only through the
// DeepCopyTag constructor (the device clients hand out their current preset only as such a copy).
// No locking: used by one thread at a time, its owner serialising access.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Model/DeepCopyable.h"
#include "device/Model/PresetName.h"
#include "device/Model/UserList.h"
#include "device/XML/ZRXMLElement.h"

namespace device {

class Preset {
 public:
  static constexpr const char* rootElementName = "BinauralMonitorSettings";
  static constexpr const char* xmlDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

  PresetName name;                                                      // from the "Name" attribute
  std::string version;                                                  // the "Version" attribute
  std::shared_ptr<UserList> userList = std::make_shared<UserList>();   // not null
  ZRXMLElementPtr xmlElement = std::make_shared<ZRXMLElement>(rootElementName);  // not null

  // Empty name of type preset, version 5.7.13, no users, an empty root element.
  Preset();
  // The defaults with the three values; the root element stays empty.
  Preset(PresetName name, std::string version, std::shared_ptr<UserList> userList);
  // Name, version, a deep copy of the user list and a deep copy of the document tree, so that the
  // copy writes its own document and shares nothing mutable with the source.
  Preset(DeepCopyTag, const Preset& source);

  // Reads a document from its root element, which the preset keeps: "Name" and "Version" are
  // required (attributeNotFound with the root's name), then the users are merged in (below).
  // Throws ZRXMLDecodingError.
  static std::shared_ptr<Preset> fromXml(const ZRXMLElementPtr& root);
  // A new preset from the document template built into the library: named "Empty", no users,
  // empty remote maps; xmlData() writes it.
  static std::shared_ptr<Preset> emptyPreset();
  // 16 groups "GROUP 1"..."GROUP 16" (ids 0...15, icons inst_x1...inst_x16, palette colours 0...15),
  // shared by `mixes` users "Mix m" on outputs 2m-1 and 2m, each with `inputs` channels "CH c"
  // in group 15. Both counts are at least 1. The root element stays empty.
  static std::shared_ptr<Preset> makeDefault(std::uint64_t inputs, std::uint64_t mixes);

  // Refreshes the preset from a newly received document, which it keeps: "Name" and "Version"
  // when present (missing ones leave the fields), then the users are merged in.
  // Merging: the first "UserList" child's "User" children update the users at the same positions
  // and append new ones; later users stay; its "RemoteSettings" child, when present, is read.
  // Throws ZRXMLDecodingError; what was merged before the failure keeps its changes.
  void update(const ZRXMLElementPtr& root);

  // Gives every channel the colour of its group: the user's groups sorted by id form a table,
  // indexed by the channel's groupID. A channel whose groupID is past the table keeps its colour.
  void normalizeUserList();

  // Writes the edited fields back into the document and returns it as UTF-8 text behind the XML
  // declaration. Channels are first regrouped in the order of their user's groups (channels of no
  // group are dropped) and renumbered from 0. Throws childNotFound (root's name, "UserList") for a
  // root without a user list (name and version already written), the errors of UserList::encode,
  // and ZRXMLEncodingError::encodingFailed when the text is not valid UTF-8.
  std::vector<std::uint8_t> xmlData();

  // The name's description; also the display name.
  std::string displayName() const { return name.description(); }
  std::string description() const { return name.description(); }

  // Equal names (name, type, backup date); versions, users and documents are not compared.
  friend bool operator==(const Preset& x, const Preset& y) { return x.name == y.name; }

 private:
  void mergeUserList(const ZRXMLElementPtr& root);
};

}  // namespace device
