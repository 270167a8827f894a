// When a picture was taken, as its camera or phone wrote it into the EXIF
// block (JPEG, HEIC, AVIF and WebP carry one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace slidewright::media {

// A date and time of day as a camera's clock showed it.
struct CivilTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  // Minutes east of UTC when the file says (EXIF OffsetTimeOriginal); none
  // when the time is the camera's local time without saying which.
  std::optional<int> utcOffsetMinutes = std::nullopt;
};

// The EXIF DateTimeOriginal of a picture's file bytes, with its
// OffsetTimeOriginal when given; nothing when the file carries none, or a
// malformed one.
std::optional<CivilTime> pictureDateTaken(const std::uint8_t* data, std::size_t size);

// The same from the EXIF block itself (the TIFF structure after "Exif\0\0").
std::optional<CivilTime> exifDateTaken(const std::uint8_t* tiff, std::size_t size);

}  // namespace slidewright::media
