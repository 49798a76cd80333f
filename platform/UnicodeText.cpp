#include "platform/UnicodeText.h"

#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/ucasemap.h>
#include <unicode/utext.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

#include "platform/Utf8.h"

namespace platform {
namespace {

// Calls `valid` with each longest well-formed run of `text` and appends every ill-formed byte
// between them to `out` unchanged.
template <typename Transform>
std::string transformValidRuns(std::string_view text, Transform valid) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = i;
    while (i < text.size()) {
      const std::size_t length = utf8SequenceLength(text, i);
      if (length == 0) break;
      i += length;
    }
    if (i > start) valid(text.substr(start, i - start), out);
    if (i < text.size()) out += text[i++];
  }
  return out;
}

bool isPlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void check(UErrorCode status) {
  if (status == U_MEMORY_ALLOCATION_ERROR) throw std::bad_alloc();
  if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU: ") + u_errorName(status));
}

struct CaseMapDeleter {
  void operator()(UCaseMap* map) const { ucasemap_close(map); }
};

UCaseMap& rootCaseMap() {
  thread_local const std::unique_ptr<UCaseMap, CaseMapDeleter> map = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCaseMap, CaseMapDeleter> made(ucasemap_open("", 0, &status));
    check(status);
    return made;
  }();
  return *map;
}

void appendLowercased(std::string_view run, std::string& out) {
  const std::size_t at = out.size();
  // Lower case rarely grows a text; a longer result is reported and done again with room for it.
  out.resize(at + run.size() + 16);
  UErrorCode status = U_ZERO_ERROR;
  const auto lower = [&] {
    return ucasemap_utf8ToLower(&rootCaseMap(), out.data() + at, static_cast<int32_t>(out.size() - at),
                                run.data(), static_cast<int32_t>(run.size()), &status);
  };
  int32_t length = lower();
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.resize(at + static_cast<std::size_t>(length));
    length = lower();
  }
  check(status);
  out.resize(at + static_cast<std::size_t>(length));
}

icu::BreakIterator& characterBreaks() {
  thread_local const std::unique_ptr<icu::BreakIterator> breaks = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    check(status);
    return made;
  }();
  return *breaks;
}

struct UTextDeleter {
  void operator()(UText* text) const { utext_close(text); }
};

}  // namespace

std::string lowercased(std::string_view text) {
  if (isPlainAscii(text)) {
    std::string out(text);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  return transformValidRuns(text, appendLowercased);
}

std::size_t characterCount(std::string_view text) {
  if (isPlainAscii(text) && text.find('\r') == std::string_view::npos) return text.size();
  UErrorCode status = U_ZERO_ERROR;
  // Ill-formed bytes read as U+FFFD, one each.
  const std::unique_ptr<UText, UTextDeleter> utext(
      utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status));
  check(status);
  icu::BreakIterator& breaks = characterBreaks();
  breaks.setText(utext.get(), status);
  check(status);
  std::size_t count = 0;
  for (int32_t at = breaks.next(); at != icu::BreakIterator::DONE; at = breaks.next()) ++count;
  // Leave no pointer into `text` behind in the iterator this thread keeps.
  breaks.setText(icu::UnicodeString());
  return count;
}

std::string nfcNormalized(std::string_view text) {
  if (isPlainAscii(text)) return std::string(text);
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  check(status);
  return transformValidRuns(text, [nfc](std::string_view run, std::string& out) {
    UErrorCode runStatus = U_ZERO_ERROR;
    icu::StringByteSink<std::string> sink(&out);
    nfc->normalizeUTF8(0, {run.data(), static_cast<int32_t>(run.size())}, sink, nullptr, runStatus);
    check(runStatus);
  });
}

}  // namespace platform
