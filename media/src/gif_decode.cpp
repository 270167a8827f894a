// GIF pictures through giflib: the first frame, placed on the logical
// screen, with its transparent colour and the uncovered screen showing the
// background colour.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "decoders.h"

namespace slidewright::media::detail {

namespace {

struct MemoryReader {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int wanted) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(wanted), r->size - r->pos);
  std::memcpy(out, r->data + r->pos, n);
  r->pos += n;
  return static_cast<int>(n);
}

std::string gifReason(int code) {
  const char* s = GifErrorString(code);
  return s ? s : "unknown error";
}

struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    if (gif) {
      int ignored;
      DGifCloseFile(gif, &ignored);
    }
  }
};

}  // namespace

Result<Picture> decodeGif(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  MemoryReader reader{data, size, 0};
  int code = 0;
  GifFileType* gif = DGifOpen(&reader, readFromMemory, &code);
  if (!gif) return fail(ErrorKind::Damaged, "the GIF data is damaged (" + gifReason(code) + ")");
  GifCloser closer{gif};

  const auto damaged = [&]() {
    return fail(ErrorKind::Damaged, "the GIF data is damaged or incomplete (" + gifReason(gif->Error) + ")");
  };
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return damaged();
    if (type == TERMINATE_RECORD_TYPE) return fail(ErrorKind::Damaged, "the GIF file holds no picture");
    if (type == EXTENSION_RECORD_TYPE) {
      int extCode;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &extCode, &ext) != GIF_OK) return damaged();
      if (extCode == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
      }
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) != GIF_OK) return damaged();
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;

    if (DGifGetImageDesc(gif) != GIF_OK) return damaged();
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map) return fail(ErrorKind::Damaged, "the GIF picture has no colour table");
    if (d.Width <= 0 || d.Height <= 0) return fail(ErrorKind::Damaged, "the GIF picture has no pixels");
    int screenW = gif->SWidth, screenH = gif->SHeight;
    if (screenW <= 0 || screenH <= 0) {
      screenW = d.Left + d.Width;
      screenH = d.Top + d.Height;
    }
    if (Status s = checkPictureSize(static_cast<std::uint64_t>(screenW), static_cast<std::uint64_t>(screenH));
        !s)
      return s.error();
    if (Status s =
            checkPictureSize(static_cast<std::uint64_t>(d.Width), static_cast<std::uint64_t>(d.Height));
        !s)
      return s.error();

    auto made = backgroundPicture(PictureKind::Gif, screenW, screenH, options.background);
    if (!made) return made.error();
    Picture& p = made.value();

    std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
    auto putLine = [&](int row) {
      const int y = d.Top + row;
      if (y < 0 || y >= screenH) return;
      for (int i = 0; i < d.Width; ++i) {
        const int x = d.Left + i;
        const int index = line[static_cast<std::size_t>(i)];
        if (x < 0 || x >= screenW || index == transparent || index >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[index];
        p.pixels.set(x, y, {c.Red, c.Green, c.Blue});
      }
    };
    if (d.Interlace) {
      static const int start[] = {0, 4, 2, 1};
      static const int step[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int row = start[pass]; row < d.Height; row += step[pass]) {
          if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return damaged();
          putLine(row);
        }
      }
    } else {
      for (int row = 0; row < d.Height; ++row) {
        if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return damaged();
        putLine(row);
      }
    }
    return made;
  }
}

}  // namespace slidewright::media::detail
