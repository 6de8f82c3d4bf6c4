// An options file in memory that records every call, for tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "options/options_store.h"

namespace vup::test {

// An options file in memory that records every call.
class FakeOptionsFile final : public OptionsFile {
 public:
  std::map<std::string, int> values;  // "section/key" -> value
  bool present = false;
  int fail_at_write = 0;  // 1-based number of the write that fails; 0 for none
  int fail_code = 32;
  int writes_tried = 0;
  std::vector<std::string> calls;

  int read_int(std::string_view section, std::string_view key, int default_value) override {
    const std::string name = std::string(section) + "/" + std::string(key);
    calls.push_back("read " + name + " " + std::to_string(default_value));
    const auto it = values.find(name);
    return it == values.end() ? default_value : it->second;
  }
  bool exists() override { return present; }
  bool write(std::string_view section, std::string_view key, std::string_view value, int& error) override {
    ++writes_tried;
    calls.push_back("write " + std::string(section) + "/" + std::string(key) + "=" + std::string(value));
    if (writes_tried == fail_at_write) {
      error = fail_code;
      return false;
    }
    present = true;
    values[std::string(section) + "/" + std::string(key)] = std::stoi(std::string(value));
    return true;
  }
  void flush() override { calls.push_back("flush"); }
};

}  // namespace vup::test
