// The transitions' names as users type and read them: the command line's
// `-t NAME` and the album files' "transition", one name per transition index.
#pragma once

#include <optional>
#include <string_view>

#include "album/album_job.h"

namespace slidewright {

inline constexpr const char* kTransitionKeywords[kTransitionCount] = {"left-to-right",
                                                                      "right-to-left",
                                                                      "top-to-bottom",
                                                                      "bottom-to-top",
                                                                      "circle",
                                                                      "diagonal-top-left",
                                                                      "diagonal-top-right",
                                                                      "diagonal-bottom-right",
                                                                      "diagonal-bottom-left",
                                                                      "fade",
                                                                      "strips",
                                                                      "rectangle",
                                                                      "blinds"};

// The name of transition index, or null for an index of no transition.
inline const char* transitionKeyword(int index) {
  return index >= 0 && index < kTransitionCount ? kTransitionKeywords[index] : nullptr;
}

// The index of a transition name, in any letter case; nothing for an unknown one.
inline std::optional<int> transitionFromKeyword(std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (int i = 0; i < kTransitionCount; ++i) {
    const std::string_view keyword = kTransitionKeywords[i];
    if (keyword.size() != name.size()) continue;
    bool same = true;
    for (std::size_t k = 0; same && k < name.size(); ++k) same = lower(name[k]) == keyword[k];
    if (same) return i;
  }
  return std::nullopt;
}

}  // namespace slidewright
