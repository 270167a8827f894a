// Putting an album's pictures in order: by name as a file browser lists
// them, or by the time each was taken, for the command line and the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "media/picture_date.h"

namespace slidewright::maker {

enum class PictureOrder {
  AsGiven,  // the order the user gave
  Name,     // file names in natural order (digits by their value: 2 before 10)
  Taken,    // the time each was taken, the earliest first; equal times by name
};

// "name" or "taken"; nothing for any other word.
std::optional<PictureOrder> pictureOrderFromName(const std::string& name);

// Whether file name a comes before b: runs of digits compare by their value,
// letters without regard to case; names equal so are told apart byte by byte.
bool naturalNameLess(const std::string& a, const std::string& b);

// A date and time written into a file's name by phones and messengers:
// IMG_20240612_153012, PXL_20240612_153012345, 20240612_153012,
// "2024-06-12 15.30.12", IMG-20240612-WA0001 (a day alone: its midnight).
// Only the last part of the path is looked at.
std::optional<media::CivilTime> dateInFileName(const std::string& path);

// When the picture was taken, in seconds since 1970 UTC: its EXIF
// DateTimeOriginal (with OffsetTimeOriginal when given), else a date in its
// name, else the file's modification time. Times without an offset are taken
// as this computer's local time. Nothing when the file cannot be read at all.
std::optional<std::int64_t> timeTaken(const std::string& path);

// The order to show the pictures in, as indexes into paths. Stable: with
// AsGiven, or among pictures that tie in name and time, the order given is
// kept.
std::vector<std::size_t> orderPictures(const std::vector<std::string>& paths, PictureOrder order);

}  // namespace slidewright::maker
