#include "options/ini_text.h"

#include <cstdint>
#include <vector>

namespace vup {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

enum class LineKind { other, header, pair };

struct Line {
  std::size_t start = 0;  // first byte of the line
  std::size_t end = 0;    // end of its text, before "\r\n" or "\n"
  std::size_t next = 0;   // first byte after its line break
  LineKind kind = LineKind::other;
  std::string_view name;  // the section of a header, the key of a pair
  std::string_view value; // the value of a pair, blanks dropped
};

// A UTF-8 byte order mark is not part of the first line's text.
std::size_t text_start(std::string_view text) { return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }

std::vector<Line> split_lines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t at = text_start(text);
  while (at < text.size()) {
    Line line;
    line.start = at;
    const std::size_t feed = text.find('\n', at);
    line.next = feed == std::string_view::npos ? text.size() : feed + 1;
    line.end = feed == std::string_view::npos ? text.size() : feed;
    if (feed != std::string_view::npos && line.end > line.start && text[line.end - 1] == '\r') --line.end;
    const std::string_view body = trimmed(text.substr(line.start, line.end - line.start));
    const std::size_t close = body.rfind(']');
    if (!body.empty() && body.front() == '[' && close != std::string_view::npos) {
      line.kind = LineKind::header;
      line.name = trimmed(body.substr(1, close - 1));
    } else if (const std::size_t equals = body.find('='); equals != std::string_view::npos) {
      line.kind = LineKind::pair;
      line.name = trimmed(body.substr(0, equals));
      line.value = trimmed(body.substr(equals + 1));
    }
    lines.push_back(line);
    at = line.next;
  }
  return lines;
}

std::string line_break_of(std::string_view text) {
  const std::size_t feed = text.find('\n');
  if (feed != std::string_view::npos && (feed == 0 || text[feed - 1] != '\r')) return "\n";
  return "\r\n";
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

}  // namespace

std::optional<std::string> ini_value(std::string_view text, std::string_view section, std::string_view key) {
  bool in_section = false;
  bool section_seen = false;
  for (const Line& line : split_lines(text)) {
    if (line.kind == LineKind::header) {
      // Only the first section of a name counts, as in the writer.
      if (section_seen) break;
      in_section = same_name(line.name, section);
      section_seen = in_section;
    } else if (in_section && line.kind == LineKind::pair && same_name(line.name, key)) {
      std::string_view value = line.value;
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(value);
    }
  }
  return std::nullopt;
}

int ini_integer(std::string_view value) {
  std::size_t at = 0;
  while (at < value.size() && static_cast<unsigned char>(value[at]) <= ' ') ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
    negative = value[at] == '-';
    ++at;
  }
  int base = 10;
  if (at + 1 < value.size() && value[at] == '0') {
    const char mark = value[at + 1];
    if (mark == 'x') base = 16;
    if (mark == 'o') base = 8;
    if (mark == 'b') base = 2;
    if (base != 10) at += 2;
  }
  std::uint32_t result = 0;
  for (; at < value.size() && digit_value(value[at]) < base; ++at) {
    result = result * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit_value(value[at]));
  }
  if (negative) result = 0u - result;
  return static_cast<int>(result);
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  const std::vector<Line> lines = split_lines(text);
  const std::string line_break = line_break_of(text);
  std::string result(text);

  // The first section of that name: its header, its last non-blank line and the
  // first pair with that key.
  const Line* last_of_section = nullptr;
  bool in_section = false;
  for (const Line& line : lines) {
    if (line.kind == LineKind::header) {
      if (last_of_section != nullptr) break;
      in_section = same_name(line.name, section);
      if (in_section) last_of_section = &line;
      continue;
    }
    if (!in_section) continue;
    if (line.kind == LineKind::pair && same_name(line.name, key)) {
      // The key keeps its spelling; only what follows it changes.
      const std::string replaced = std::string(line.name) + "=" + std::string(value);
      result.replace(line.start, line.end - line.start, replaced);
      return result;
    }
    if (!trimmed(std::string_view(text).substr(line.start, line.end - line.start)).empty()) last_of_section = &line;
  }

  const std::string pair = std::string(key) + "=" + std::string(value) + line_break;
  if (last_of_section != nullptr) {
    std::string insert = pair;
    // A last line without a line break needs one before the new pair.
    if (last_of_section->next == last_of_section->end) insert = line_break + insert;
    result.insert(last_of_section->next, insert);
    return result;
  }
  if (!result.empty() && result.back() != '\n') result += line_break;
  result += "[" + std::string(section) + "]" + line_break + pair;
  return result;
}

}  // namespace vup
