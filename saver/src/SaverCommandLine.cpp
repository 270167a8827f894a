#include "SaverCommandLine.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal handle at p, if there is one.
void readHandle(const char* p, SaverCommand* command) {
  if (!isDigit(*p)) return;
  command->hasHandle = true;
  std::uintptr_t value = 0;
  for (; isDigit(*p); ++p) value = value * 10 + std::uintptr_t(*p - '0');
  command->handle = value;
}

const char* skipSpaces(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

}  // namespace

const char* skipProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (static_cast<unsigned char>(*p) > ' ') ++p;
  }
  return skipSpaces(p);
}

SaverCommand parseSaverArguments(const char* arguments) {
  const char* p = arguments;
  while (*p == ' ' || *p == '\t' || *p == '-' || *p == '/') ++p;
  SaverCommand command;
  const char letter = *p;
  if (letter) ++p;
  switch (letter) {
    case '\0':
      command.mode = SaverMode::Configure;
      command.bare = true;
      break;
    case 'c':
    case 'C':
      command.mode = SaverMode::Configure;
      if (*p == ':') readHandle(p + 1, &command);
      break;
    case 'p':
    case 'P':
    case 'l':
    case 'L':
      command.mode = SaverMode::Preview;
      readHandle(skipSpaces(p), &command);
      break;
    case 's':
    case 'S':
      command.mode = SaverMode::FullScreen;
      break;
    case 'a':
    case 'A':
      command.mode = SaverMode::ChangePassword;
      readHandle(skipSpaces(p), &command);
      break;
    default:
      command.mode = SaverMode::Unknown;
      break;
  }
  return command;
}
