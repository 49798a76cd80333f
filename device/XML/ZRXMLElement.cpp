#include "device/XML/ZRXMLElement.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace device {
namespace {

using namespace std::string_view_literals;

// Siblings lie apart on the heap: fetch the next ones while child i is visited.
void prefetchAhead(const ZRXMLElement::Children& children, std::size_t i) {
  if (i + 2 < children.size()) __builtin_prefetch(children[i + 2].get());
  if (i + 1 < children.size()) __builtin_prefetch(children[i + 1]->attributes.data());
}

// Writes elements into one std::string through a raw cursor. While writing, the string's size runs
// ahead of the text written (room() grows it); the destructor trims it to the text.
class Writer {
 public:
  Writer(std::string& out, std::size_t expected) : out_(out), used_(out.size()) {
    out_.resize(used_ + expected);
  }
  ~Writer() { out_.resize(used_); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void write(const ZRXMLElement& element, std::size_t depth);

 private:
  // A cursor with room for `count` more bytes; hand it back through commit().
  char* room(std::size_t count) {
    if (out_.size() - used_ < count) out_.resize(std::max(out_.size() * 2, used_ + count));
    return out_.data() + used_;
  }
  void commit(const char* cursor) { used_ = static_cast<std::size_t>(cursor - out_.data()); }

  std::string& out_;
  std::size_t used_;
};

char* put(char* cursor, std::string_view text) {
  std::memcpy(cursor, text.data(), text.size());
  return cursor + text.size();
}

char* putTabs(char* cursor, std::size_t count) {
  std::memset(cursor, '\t', count);
  return cursor + count;
}

// The longest entity that replaces one character.
constexpr std::size_t maximumEntity = 6;

// Attribute values: "&" "\"" "'" "<" ">" become entities. Replacing "&" first and then the others
// one after the other gives the same text as this single pass: every character is replaced once.
// TAB, LF and CR become character references: a reader normalises them to blanks otherwise.
char* putAttributeValue(char* cursor, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\t': cursor = put(cursor, "&#9;"sv); break;
      case '\n': cursor = put(cursor, "&#10;"sv); break;
      case '\r': cursor = put(cursor, "&#13;"sv); break;
      case '&': cursor = put(cursor, "&amp;"sv); break;
      case '"': cursor = put(cursor, "&quot;"sv); break;
      case '\'': cursor = put(cursor, "&apos;"sv); break;
      case '<': cursor = put(cursor, "&lt;"sv); break;
      case '>': cursor = put(cursor, "&gt;"sv); break;
      default: *cursor++ = c;
    }
  }
  return cursor;
}

// Text values: "&" and "<" become entities, and ">" where it follows "]]" (the only place where a
// parser rejects it); CR becomes a character reference (a reader turns it and CR LF into LF);
// everything else, LF and TAB included, is written as it is.
char* putText(char* cursor, std::string_view value) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\r': cursor = put(cursor, "&#13;"sv); break;
      case '&': cursor = put(cursor, "&amp;"sv); break;
      case '<': cursor = put(cursor, "&lt;"sv); break;
      case '>':
        if (i >= 2 && value[i - 1] == ']' && value[i - 2] == ']') {
          cursor = put(cursor, "&gt;"sv);
          break;
        }
        [[fallthrough]];
      default: *cursor++ = c;
    }
  }
  return cursor;
}

void Writer::write(const ZRXMLElement& element, std::size_t depth) {
  const std::string_view name = element.elementName;
  char* cursor = room(depth + 1 + name.size());
  cursor = putTabs(cursor, depth);
  *cursor++ = '<';
  commit(put(cursor, name));
  for (const auto& [key, value] : element.attributes) {
    cursor = room(key.size() + value.size() * maximumEntity + 4);
    *cursor++ = ' ';
    cursor = put(cursor, key);
    *cursor++ = '=';
    *cursor++ = '"';
    cursor = putAttributeValue(cursor, value);
    *cursor++ = '"';
    commit(cursor);
  }
  if (!element.children.empty()) {
    commit(put(room(2), ">\n"sv));
    const auto& children = element.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
      prefetchAhead(children, i);
      write(*children[i], depth + 1);
      commit(put(room(1), "\n"sv));
    }
    cursor = putTabs(room(depth + 3 + name.size()), depth);
    cursor = put(cursor, "</"sv);
    cursor = put(cursor, name);
    *cursor++ = '>';
  } else if (element.stringValue) {
    const std::string_view value = *element.stringValue;
    cursor = room(1 + value.size() * maximumEntity + 3 + name.size());
    *cursor++ = '>';
    cursor = putText(cursor, value);
    cursor = put(cursor, "</"sv);
    cursor = put(cursor, name);
    *cursor++ = '>';
  } else {
    cursor = put(room(2), "/>"sv);
  }
  commit(cursor);
}

// The size of the text when nothing needs escaping, to size the output once.
std::size_t unescapedSize(const ZRXMLElement& element, std::size_t depth) {
  const std::size_t nameSize = element.elementName.size();
  std::size_t size = depth + 1 + nameSize;
  for (const auto& [key, value] : element.attributes) size += key.size() + value.size() + 4;
  if (!element.children.empty()) {
    size += 2 + depth + 3 + nameSize;
    const auto& children = element.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
      prefetchAhead(children, i);
      size += unescapedSize(*children[i], depth + 1) + 1;
    }
  } else if (element.stringValue) {
    size += 1 + element.stringValue->size() + 3 + nameSize;
  } else {
    size += 2;
  }
  return size;
}

// A text in double quotes, with quotes, backslashes and control characters escaped.
void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\'': out += "\\'"; break;
      case '\\': out += "\\\\"; break;
      case '\0': out += "\\0"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          char code[12];
          std::snprintf(code, sizeof code, "\\u{%x}", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += code;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

}  // namespace

ZRXMLElement::ZRXMLElement(std::string elementName, std::optional<std::string> stringValue,
                           Attributes attributes, Children children)
    : elementName(std::move(elementName)),
      stringValue(std::move(stringValue)),
      attributes(std::move(attributes)),
      children(std::move(children)) {}

std::string ZRXMLElement::xmlString(std::size_t depth) const {
  std::string out;
  appendXmlString(out, depth);
  return out;
}

void ZRXMLElement::appendXmlString(std::string& out, std::size_t depth) const {
  Writer(out, unescapedSize(*this, depth)).write(*this, depth);
}

ZRXMLElementPtr ZRXMLElement::deepCopy() const {
  Children copies;
  copies.reserve(children.size());
  for (const auto& child : children) copies.push_back(child->deepCopy());
  return std::make_shared<ZRXMLElement>(elementName, stringValue, attributes, std::move(copies));
}

std::string ZRXMLElement::description() const {
  std::string out = elementName;
  out += " [";
  if (attributes.empty()) out += ':';
  bool first = true;
  for (const auto& [name, value] : attributes) {
    if (!first) out += ", ";
    first = false;
    appendQuoted(out, name);
    out += ": ";
    appendQuoted(out, value);
  }
  out += "] ";
  if (stringValue) {
    out += *stringValue;
    return out;
  }
  out += '[';
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (i > 0) out += ", ";
    out += children[i]->description();
  }
  out += ']';
  return out;
}

bool ZRXMLElement::matches(std::string_view name, std::string_view attribute,
                           std::string_view value) const {
  if (elementName != name) return false;
  const auto found = attributes.find(attribute);
  return found != attributes.end() && found->second == value;
}

ZRXMLElementPtr ZRXMLElement::firstChild(std::string_view name) const {
  return firstMatch(children, [name](const ZRXMLElement& child) { return child.elementName == name; });
}

ZRXMLElement::Children children(const ZRXMLElement::Children& list, std::string_view named) {
  ZRXMLElement::Children result;
  for (const auto& element : list) {
    if (element->elementName == named) result.push_back(element);
  }
  return result;
}

}  // namespace device
