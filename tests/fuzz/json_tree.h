// The streaming reader checked against nlohmann::json: a handler that builds the
// library's tree from the reader's events, and a comparison that also tells the
// number classes apart.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "manifest/json_reader.h"

namespace vup::test {

class JsonTreeBuilder final : public quillfen::updater::JsonHandler {
 public:
  nlohmann::json root;

  bool null_value() override { return put(nullptr); }
  bool boolean(bool value) override { return put(value); }
  bool number(const quillfen::updater::JsonNumber& value) override {
    using Kind = quillfen::updater::JsonNumber::Kind;
    if (value.kind == Kind::unsigned_integer) return put(value.unsigned_value);
    if (value.kind == Kind::signed_integer) return put(value.signed_value);
    return put(value.floating_value);
  }
  bool string(std::string_view value) override { return put(std::string(value)); }
  bool begin_object() override { return open(nlohmann::json::object()); }
  bool key(std::string_view name) override {
    key_ = name;
    return true;
  }
  bool end_object() override { return close(); }
  bool begin_array() override { return open(nlohmann::json::array()); }
  bool end_array() override { return close(); }

 private:
  // A later value under the same key replaces the earlier one, as in the library.
  nlohmann::json* put(nlohmann::json value) {
    if (open_.empty()) {
      root = std::move(value);
      return &root;
    }
    nlohmann::json& parent = *open_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    parent[key_] = std::move(value);
    return &parent[key_];
  }
  bool open(nlohmann::json container) {
    open_.push_back(put(std::move(container)));
    return true;
  }
  bool close() {
    open_.pop_back();
    return true;
  }

  std::vector<nlohmann::json*> open_;
  std::string key_;
};

// Equal values of equal types all the way down (1 and 1u and 1.0 differ).
inline bool same_tree(const nlohmann::json& a, const nlohmann::json& b) {
  if (a.type() != b.type()) return false;
  if (a.is_object()) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
      if (i.key() != j.key() || !same_tree(i.value(), j.value())) return false;
    }
    return true;
  }
  if (a.is_array()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!same_tree(a[i], b[i])) return false;
    }
    return true;
  }
  return a == b;
}

// Empty when the two agree; otherwise what differed.
inline std::optional<std::string> reader_disagrees(std::string_view text) {
  const nlohmann::json expected = nlohmann::json::parse(text.begin(), text.end(), nullptr,
                                                        /*allow_exceptions=*/false, /*ignore_comments=*/false);
  JsonTreeBuilder built;
  const bool read = quillfen::updater::read_json(text, built);
  if (read != !expected.is_discarded()) return std::string(read ? "accepted" : "refused") + " against the library";
  if (read && !same_tree(built.root, expected)) return "read as " + built.root.dump() + ", the library has " + expected.dump();
  return std::nullopt;
}

}  // namespace vup::test
