// The screensaver player carried by a Windows program as resource "BIN" 153
// (saverstub_embedded_resources puts it into slidewright.exe).
#include <windows.h>

#include <cstdint>
#include <vector>

#include "EmbeddedStub.h"
#include "resource.h"

bool embeddedSaverStub(std::vector<std::uint8_t>* bytes) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(IDR_SAVERSTUB), RT_SAVERSTUB);
  HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = found ? SizeofResource(self, found) : 0;
  if (!data || size == 0) return false;
  const auto* begin = static_cast<const std::uint8_t*>(data);
  bytes->assign(begin, begin + size);
  return true;
}
