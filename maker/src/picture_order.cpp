#include "maker/picture_order.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <regex>

#include "media/picture.h"

namespace slidewright::maker {

namespace {

std::string fileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int64_t secondsSinceEpoch(const media::CivilTime& t) {
  if (!t.utcOffsetMinutes) {
    // The camera's local time: read as this computer's.
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t local = std::mktime(&tm);
    if (local != static_cast<std::time_t>(-1)) return static_cast<std::int64_t>(local);
  }
  const std::int64_t utc =
      daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  return utc - std::int64_t{t.utcOffsetMinutes.value_or(0)} * 60;
}

bool plausible(const media::CivilTime& t) {
  return t.year >= 1990 && t.year <= 2099 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 &&
         t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

std::optional<std::int64_t> modificationTime(const std::string& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(std::filesystem::u8path(path), error);
  if (error) return std::nullopt;
  // The file clock's epoch is not the system clock's in C++17: carried over
  // by their difference now.
  const auto now = std::filesystem::file_time_type::clock::now();
  const auto system = std::chrono::system_clock::now() +
                      std::chrono::duration_cast<std::chrono::system_clock::duration>(written - now);
  return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

// Cameras and phones write the date taken near the start of the file: a
// JPEG's EXIF segment comes before the image data, and a HEIC's or AVIF's
// metadata boxes usually before the media data. Only a file whose date is
// not found in its first bytes is read whole (a WebP keeps its EXIF chunk
// after the image).
constexpr std::uint64_t kDateSearchBytes = 128 << 10;

std::optional<media::CivilTime> dateInFile(const std::string& path) {
  auto head = media::readFileStart(path, kDateSearchBytes);
  if (!head) return std::nullopt;
  if (auto date = media::pictureDateTaken(head.value().data(), head.value().size())) return date;
  if (head.value().size() < kDateSearchBytes) return std::nullopt;  // that was the whole file
  auto whole = media::readFile(path);
  if (!whole) return std::nullopt;
  return media::pictureDateTaken(whole.value().data(), whole.value().size());
}

}  // namespace

std::optional<PictureOrder> pictureOrderFromName(const std::string& name) {
  if (name == "name") return PictureOrder::Name;
  if (name == "taken") return PictureOrder::Taken;
  return std::nullopt;
}

bool naturalNameLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[j]);
    if (std::isdigit(ca) && std::isdigit(cb)) {
      // Compare the runs of digits by value: without leading zeros, the
      // longer run is the larger number, and equal lengths compare as text.
      std::size_t ea = i, eb = j;
      while (ea < a.size() && std::isdigit(static_cast<unsigned char>(a[ea]))) ++ea;
      while (eb < b.size() && std::isdigit(static_cast<unsigned char>(b[eb]))) ++eb;
      std::size_t za = i, zb = j;
      while (za + 1 < ea && a[za] == '0') ++za;
      while (zb + 1 < eb && b[zb] == '0') ++zb;
      if (ea - za != eb - zb) return ea - za < eb - zb;
      const int c = a.compare(za, ea - za, b, zb, eb - zb);
      if (c != 0) return c < 0;
      i = ea;
      j = eb;
      continue;
    }
    const int la = std::tolower(ca), lb = std::tolower(cb);
    if (la != lb) return la < lb;
    ++i;
    ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;
}

std::optional<media::CivilTime> dateInFileName(const std::string& path) {
  const std::string name = fileName(path);
  // A day and a time of day: 20240612_153012, 20240612-153012,
  // 2024-06-12 15.30.12, 2024-06-12_15-30-12 (more digits after the seconds
  // are their fractions).
  static const std::regex dayAndTime(
      R"((?:^|\D)((?:19|20)\d\d)-?(\d\d)-?(\d\d)[ _T-](\d\d)[.:-]?(\d\d)[.:-]?(\d\d))");
  static const std::regex dayAlone(R"((?:^|\D)((?:19|20)\d\d)-?(\d\d)-?(\d\d)(?:\D|$))");
  std::smatch m;
  media::CivilTime t;
  if (std::regex_search(name, m, dayAndTime)) {
    t.hour = std::stoi(m[4]);
    t.minute = std::stoi(m[5]);
    t.second = std::stoi(m[6]);
  } else if (!std::regex_search(name, m, dayAlone)) {
    return std::nullopt;
  }
  t.year = std::stoi(m[1]);
  t.month = std::stoi(m[2]);
  t.day = std::stoi(m[3]);
  if (!plausible(t)) return std::nullopt;
  return t;
}

std::optional<std::int64_t> timeTaken(const std::string& path) {
  if (auto exif = dateInFile(path)) return secondsSinceEpoch(*exif);
  if (auto named = dateInFileName(path)) return secondsSinceEpoch(*named);
  return modificationTime(path);
}

std::vector<std::size_t> orderPictures(const std::vector<std::string>& paths, PictureOrder order) {
  std::vector<std::size_t> indexes(paths.size());
  std::iota(indexes.begin(), indexes.end(), std::size_t{0});
  if (order == PictureOrder::AsGiven) return indexes;
  std::vector<std::string> names;
  for (const std::string& p : paths) names.push_back(fileName(p));
  auto byName = [&](std::size_t a, std::size_t b) {
    if (names[a] != names[b]) return naturalNameLess(names[a], names[b]);
    return naturalNameLess(paths[a], paths[b]);
  };
  if (order == PictureOrder::Name) {
    std::stable_sort(indexes.begin(), indexes.end(), byName);
    return indexes;
  }
  // A picture whose time cannot be found at all goes after those with one.
  std::vector<std::optional<std::int64_t>> times;
  for (const std::string& p : paths) times.push_back(timeTaken(p));
  std::stable_sort(indexes.begin(), indexes.end(), [&](std::size_t a, std::size_t b) {
    if (times[a] != times[b]) {
      if (!times[a] || !times[b]) return times[a].has_value();
      return *times[a] < *times[b];
    }
    return byName(a, b);
  });
  return indexes;
}

}  // namespace slidewright::maker
