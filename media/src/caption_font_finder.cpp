// Finds the font captions are set in: a face with both Chinese and Latin
// letters, sans-serif where there is one.
#include <cstdlib>
#include <string>
#include <vector>

#include "media/caption_text.h"

#ifndef _WIN32
#include <fontconfig/fontconfig.h>
#endif

namespace slidewright::media {

namespace {

// A face is usable when it opens and has "中" and "A".
bool usable(const Result<CaptionFont>& font) {
  return font && font.value().missingCharacters("\xE4\xB8\xAD\x41").empty();
}

#ifdef _WIN32
// The fonts with Chinese characters that Windows brings (a sans-serif first,
// then the older Song faces every edition has once the East Asian fonts are
// installed), and one that users often install.
std::vector<FontSource> candidates() {
  std::string folder;
  for (const char* name : {"WINDIR", "SystemRoot"}) {
    if (const char* value = std::getenv(name); value && *value) {
      folder = std::string(value) + "\\Fonts\\";
      break;
    }
  }
  if (folder.empty()) folder = "C:\\Windows\\Fonts\\";
  std::vector<FontSource> list;
  for (const char* file : {"msyh.ttc", "msyh.ttf", "Deng.ttf", "simhei.ttf", "msjh.ttc", "simsun.ttc",
                           "mingliu.ttc", "wqy-microhei.ttc", "NotoSansSC-Regular.otf"})
    list.push_back({folder + file, 0});
  return list;
}
#else
// What the system's font configuration offers for Simplified Chinese in a
// sans-serif face, best match first.
std::vector<FontSource> candidates() {
  std::vector<FontSource> list;
  if (!FcInit()) return list;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=zh-cn"));
  if (!pattern) return list;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  if (fonts) {
    for (int i = 0; i < fonts->nfont; ++i) {
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
      FcCharSet* chars = nullptr;
      if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &chars) == FcResultMatch &&
          (!FcCharSetHasChar(chars, 0x4E2D) || !FcCharSetHasChar(chars, 'A')))
        continue;
      list.push_back({reinterpret_cast<const char*>(file), index});
    }
    FcFontSetDestroy(fonts);
  }
  FcPatternDestroy(pattern);
  return list;
}
#endif

}  // namespace

Result<CaptionFont> findCaptionFont(const std::string& preferred) {
  if (!preferred.empty()) return CaptionFont::open({preferred, 0});
  for (const FontSource& source : candidates()) {
    auto font = CaptionFont::open(source);
    if (usable(font)) return font;
  }
  return fail(ErrorKind::NotSupported,
              "no font with Chinese and Latin letters was found for the captions: install one "
              "(on Debian, the fonts-wqy-microhei package) or name a font file");
}

}  // namespace slidewright::media
