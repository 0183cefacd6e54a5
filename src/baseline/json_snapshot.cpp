#include "baseline/json_snapshot.h"

#include <vector>

#include <nlohmann/json.hpp>

#include "baseline/snapshot_builder.h"

namespace kvt {
namespace {

using TJson = nlohmann::json;

// The JSON form gives the XML document's elements that hold facts as
// objects and its lists as arrays; the root object's members that are no
// arrays are the root's facts.
class TSnapshotSax : public nlohmann::json_sax<TJson> {
 public:
  explicit TSnapshotSax(TSnapshotBuilder& builder) : builder_(builder) {}

  bool null() override { return Value(std::string()); }
  bool boolean(bool) override { return builder_.Refuse("it holds a true or false value"); }
  bool number_integer(number_integer_t value) override { return Value(std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Value(std::to_string(value)); }
  // The number as written: the comparison reads facts as the XML form writes them.
  bool number_float(number_float_t, const string_t& text) override { return Value(text); }
  bool string(string_t& value) override { return Value(value); }
  bool binary(binary_t&) override { return builder_.Refuse("it holds binary data"); }

  bool start_object(std::size_t) override {
    if (open_.empty()) {
      open_.push_back(true);
      return true;
    }
    if (open_.back()) return builder_.Refuse("the fact " + key_ + " is an object");
    open_.push_back(true);
    return builder_.BeginItem();
  }
  bool key(string_t& name) override {
    key_ = name;
    return true;
  }
  bool end_object() override {
    open_.pop_back();
    return open_.empty() || builder_.EndItem();
  }
  bool start_array(std::size_t) override {
    if (open_.empty()) return builder_.Refuse("its root is no object");
    if (!open_.back()) return builder_.Refuse("a list holds a list");
    open_.push_back(false);
    return builder_.BeginList(key_);
  }
  bool end_array() override {
    open_.pop_back();
    return builder_.EndList();
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
    // Its text says where the document breaks; the library's own tag goes.
    const std::string what = error.what();
    const size_t tagEnd = what.find("] ");
    return builder_.Refuse(tagEnd == std::string::npos ? what : what.substr(tagEnd + 2));
  }

 private:
  bool Value(const std::string& value) {
    if (open_.empty()) return builder_.Refuse("its root is no object");
    if (!open_.back()) return builder_.Refuse("a list holds a value that is no item");
    return builder_.Fact(key_, value);
  }

  TSnapshotBuilder& builder_;
  std::vector<bool> open_;  // true: an object, false: an array
  std::string key_;
};

}  // namespace

bool SnapshotOfJson(std::istream& in, TSnapshot& snapshot, std::string& fault) {
  TSnapshotBuilder builder(snapshot);
  TSnapshotSax sax(builder);
  bool shaped = false;
  try {
    shaped = TJson::sax_parse(in, &sax) && builder.End();
  } catch (const TJson::exception& error) {
    builder.Refuse(error.what());
  }
  fault = builder.Fault;
  return shaped;
}

}  // namespace kvt
