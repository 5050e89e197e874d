// Fuzz target of the folder view's index-file lines (a file a server offers, read line by line).
// The name is one word without its trailing separators; the description is made only of the
// line's other words, joined by single blanks; nothing is read past the line.
#include <stdint.h>
#include <string.h>

#include <set>
#include <string>

#include "fuzzCheck.h"
#include "shellViewRules.h"

namespace {
bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Lines are read up to 1023 characters; each arrives as its own terminated text.
  const std::string line(reinterpret_cast<const char*>(data), size < 1023 ? size : 1023);
  const std::string text = line.substr(0, strlen(line.c_str()));
  std::string name = "stale", description = "stale";
  const bool ok = shellParseIndexLine(text.c_str(), name, description);

  std::set<std::string> words;
  std::string word;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || blank(text[i])) {
      if (!word.empty()) words.insert(word);
      word.clear();
    } else {
      word += text[i];
    }
  }
  if (!ok) {
    FUZZ_CHECK(name.empty() || words.count(name) == 0 || words.empty());
    return 0;
  }
  FUZZ_CHECK(!name.empty() && name.size() <= text.size());
  for (char c : name) FUZZ_CHECK(!blank(c));
  FUZZ_CHECK(name.back() != '/' && name.back() != '\\');
  // The name is the first word, less separators at its end.
  const size_t first = text.find_first_not_of(" \t\r\n");
  FUZZ_CHECK(first != std::string::npos && text.compare(first, name.size(), name) == 0);
  FUZZ_CHECK(description.size() <= text.size());
  if (!description.empty()) {
    FUZZ_CHECK(description.front() != ' ' && description.back() != ' ');
    FUZZ_CHECK(description.find("  ") == std::string::npos);
    size_t at = 0;
    while (at <= description.size()) {
      size_t end = description.find(' ', at);
      if (end == std::string::npos) end = description.size();
      FUZZ_CHECK(words.count(description.substr(at, end - at)) == 1);
      at = end + 1;
    }
  }
  return 0;
}
