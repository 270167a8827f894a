#include "located_json.h"

#include <cstddef>
#include <functional>
#include <iterator>
#include <set>

namespace slidewright::albumfile {

namespace {

using nlohmann::json;

// Walks the text for the parser and keeps, in a counter the caller reads,
// how many bytes the parser has taken: when the parser reports a key, that
// is just past the key's closing quote.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingIterator(const char* at, const char* start, std::size_t* taken)
      : at_(at), start_(start), taken_(taken) {}
  reference operator*() const { return *at_; }
  CountingIterator& operator++() {
    ++at_;
    *taken_ = static_cast<std::size_t>(at_ - start_);
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const CountingIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  const char* start_;
  std::size_t* taken_;
};

// Offset of the opening quote of the string whose closing quote is at `close`.
std::size_t openingQuote(const std::string& text, std::size_t close) {
  for (std::size_t k = close; k-- > 0;) {
    if (text[k] != '"') continue;
    std::size_t slashes = 0;
    while (slashes < k && text[k - 1 - slashes] == '\\') ++slashes;
    if (slashes % 2 == 0) return k;
  }
  return 0;
}

struct DuplicateKey {
  JsonSyntaxError error;
};

// Follows the parser's events: the keys of every open object (to find one
// given twice), and the places of the keys of the top-level object and of
// the objects in its list named listKey.
class KeyTracker {
 public:
  KeyTracker(const std::string& text, const std::string& listKey, const std::size_t& taken, LocatedJson& out)
      : text_(text), listKey_(listKey), taken_(taken), out_(out) {}

  bool operator()(int depth, json::parse_event_t event, json& parsed) {
    using Event = json::parse_event_t;
    if (inList_ && depth == 2 &&
        (event == Event::object_start || event == Event::array_start || event == Event::value))
      out_.elementKeys.emplace_back();
    switch (event) {
      case Event::object_start:
        open_.emplace_back();
        break;
      case Event::object_end:
        open_.pop_back();
        break;
      case Event::array_start:
        if (depth == 1 && topKey_ == listKey_) inList_ = true;
        break;
      case Event::array_end:
        if (depth == 1) inList_ = false;
        break;
      case Event::key:
        noteKey(depth, parsed.get<std::string>());
        break;
      case Event::value:
        break;
    }
    return true;
  }

 private:
  void noteKey(int depth, const std::string& key) {
    const TextPlace place = taken_ > 0 ? placeOf(text_, openingQuote(text_, taken_ - 1)) : TextPlace{};
    const bool inElement = inList_ && depth == 3;
    if (!open_.empty() && !open_.back().insert(key).second) {
      const int element = inElement ? static_cast<int>(out_.elementKeys.size()) : 0;
      throw DuplicateKey{{key, element, place, "the key \"" + key + "\" is given twice"}};
    }
    if (depth == 1) {
      topKey_ = key;
      out_.topKeys[key] = place;
    } else if (inElement) {
      out_.elementKeys.back()[key] = place;
    }
  }

  const std::string& text_;
  const std::string& listKey_;
  const std::size_t& taken_;
  LocatedJson& out_;
  std::vector<std::set<std::string>> open_;
  std::string topKey_;
  bool inList_ = false;
};

}  // namespace

TextPlace placeOf(const std::string& text, std::size_t offset) {
  std::size_t k = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  TextPlace place{1, 1};
  for (offset = std::min(offset, text.size()); k < offset; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[k]);
    if (c == '\n') {
      ++place.line;
      place.column = 1;
    } else if ((c & 0xC0) != 0x80) {  // not a UTF-8 continuation byte
      ++place.column;
    }
  }
  return place;
}

std::variant<LocatedJson, JsonSyntaxError> parseLocatedJson(const std::string& text,
                                                            const std::string& listKey) {
  LocatedJson out;
  std::size_t taken = 0;
  KeyTracker tracker(text, listKey, taken, out);
  const char* start = text.data();
  try {
    out.value = json::parse(CountingIterator(start, start, &taken),
                            CountingIterator(start + text.size(), start, &taken), std::ref(tracker));
  } catch (const DuplicateKey& duplicate) {
    return duplicate.error;
  } catch (const json::parse_error& e) {
    // "[json.exception.parse_error.101] parse error at line 3, column 7: syntax error ..."
    const std::string what = e.what();
    const std::size_t colon = what.find(": ");
    JsonSyntaxError error;
    error.place = placeOf(text, e.byte > 0 ? e.byte - 1 : 0);
    error.what = colon == std::string::npos ? what : what.substr(colon + 2);
    return error;
  }
  return out;
}

}  // namespace slidewright::albumfile
