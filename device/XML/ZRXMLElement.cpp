#include "device/XML/ZRXMLElement.h"

#include <cstdio>
#include <utility>

namespace device {
namespace {

using namespace std::string_view_literals;

// Attribute values: "&" "\"" "'" "<" ">" become entities. Replacing "&" first and then the others
// one after the other gives the same text as this single pass: every character is replaced once.
void appendEscapedAttribute(std::string& out, std::string_view value) {
  const char* run = value.data();
  const char* const end = run + value.size();
  for (const char* p = run; p != end; ++p) {
    std::string_view entity;
    switch (*p) {
      case '&': entity = "&amp;"sv; break;
      case '"': entity = "&quot;"sv; break;
      case '\'': entity = "&apos;"sv; break;
      case '<': entity = "&lt;"sv; break;
      case '>': entity = "&gt;"sv; break;
      default: continue;
    }
    out.append(run, static_cast<std::size_t>(p - run));
    out.append(entity);
    run = p + 1;
  }
  out.append(run, static_cast<std::size_t>(end - run));
}

// Text values: "&" and "<" become entities, and ">" where it follows "]]" (the only place where a
// parser rejects it); everything else, line breaks included, is written as it is.
void appendEscapedText(std::string& out, std::string_view value) {
  const char* const begin = value.data();
  const char* const end = begin + value.size();
  const char* run = begin;
  for (const char* p = begin; p != end; ++p) {
    std::string_view entity;
    switch (*p) {
      case '&': entity = "&amp;"sv; break;
      case '<': entity = "&lt;"sv; break;
      case '>':
        if (p - begin < 2 || p[-1] != ']' || p[-2] != ']') continue;
        entity = "&gt;"sv;
        break;
      default: continue;
    }
    out.append(run, static_cast<std::size_t>(p - run));
    out.append(entity);
    run = p + 1;
  }
  out.append(run, static_cast<std::size_t>(end - run));
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

std::size_t ZRXMLElement::unescapedXmlSize(std::size_t depth) const {
  std::size_t size = depth + 1 + elementName.size();
  for (const auto& [name, value] : attributes) size += name.size() + value.size() + 4;
  if (!children.empty()) {
    size += 2 + depth + 3 + elementName.size();
    for (const auto& child : children) size += child->unescapedXmlSize(depth + 1) + 1;
  } else if (stringValue) {
    size += 1 + stringValue->size() + 3 + elementName.size();
  } else {
    size += 2;
  }
  return size;
}

std::string ZRXMLElement::xmlString(std::size_t depth) const {
  std::string out;
  out.reserve(unescapedXmlSize(depth));
  appendXmlString(out, depth);
  return out;
}

void ZRXMLElement::appendXmlString(std::string& out, std::size_t depth) const {
  out.append(depth, '\t');
  out += '<';
  out += elementName;
  for (const auto& [name, value] : attributes) {
    out += ' ';
    out += name;
    out += "=\"";
    appendEscapedAttribute(out, value);
    out += '"';
  }
  if (!children.empty()) {
    out += ">\n";
    for (const auto& child : children) {
      child->appendXmlString(out, depth + 1);
      out += '\n';
    }
    out.append(depth, '\t');
    out += "</";
    out += elementName;
    out += '>';
  } else if (stringValue) {
    out += '>';
    appendEscapedText(out, *stringValue);
    out += "</";
    out += elementName;
    out += '>';
  } else {
    out += "/>";
  }
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
