// JSON parsed with the places of its keys in the text, so that a message
// about a value can say on which line and column it stands.
#pragma once

#include <map>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

namespace slidewright::albumfile {

// A 1-based line and column (in characters); 0 when unknown.
struct TextPlace {
  int line = 0;
  int column = 0;
};

using KeyPlaces = std::map<std::string, TextPlace>;

struct LocatedJson {
  nlohmann::json value;
  KeyPlaces topKeys;                   // keys of the top-level object
  std::vector<KeyPlaces> elementKeys;  // keys of each element of the top-level list named listKey
};

// Text that is not JSON, or an object with a key given twice (which JSON
// readers would otherwise settle silently by keeping one of the values).
struct JsonSyntaxError {
  std::string key;  // the key given twice, or empty
  int element = 0;  // 1-based element of the list that holds it, or 0
  TextPlace place;
  std::string what;  // what is wrong, without the place
};

std::variant<LocatedJson, JsonSyntaxError> parseLocatedJson(const std::string& text,
                                                            const std::string& listKey);

// The line and column of a byte offset in text (a leading byte order mark
// is not counted).
TextPlace placeOf(const std::string& text, std::size_t offset);

}  // namespace slidewright::albumfile
