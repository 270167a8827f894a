#include "IconMenu.h"

#include <algorithm>
#include <cwctype>

#include "CustomWindow.h"
#include "TextConversion.h"

namespace {

// The popup's owner while it is open: a hidden child of the caller's window
// that hands the menu's owner-draw messages to the menu. It is made for each
// popup and destroyed when the popup closes, so the caller's window sees
// none of these messages and needs no code for them.
class PopupOwner : public CustomWindow {
 public:
  PopupOwner(HWND parent, IconMenu* menu) : menu_(menu) {
    WindowClass windowClass;
    windowClass.name = "SlidewrightIconMenuOwner";
    CreateArgs create;
    create.parent = parent;
    create.style = parent ? WS_CHILD : WS_POPUP;
    create.exStyle = WS_EX_NOPARENTNOTIFY;
    createWindow(windowClass, create);
  }

 private:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (menu_ && menu_->handleMenuMessage(message, wParam, lParam, &result)) return result;
    return DefWindowProcA(handle(), message, wParam, lParam);
  }

  IconMenu* menu_;  // not owned
};

UINT menuItemState(UINT flags) {
  UINT state = 0;
  if (flags & MF_GRAYED) state |= MFS_GRAYED;
  if (flags & MF_DISABLED) state |= MFS_DISABLED;
  if (flags & MF_CHECKED) state |= MFS_CHECKED;
  return state;
}

bool setMenuString(HMENU menu, int position, std::wstring& text) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text.data();
  return SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) != FALSE;
}

// Width of a caption as drawn: a '&' that marks an access key takes no room.
LONG textWidth(HDC dc, const std::wstring& text) {
  if (text.empty()) return 0;
  RECT r{};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  return r.right - r.left;
}

// The upper-case access key of a caption ("&Copy" gives 'C'), 0 for none.
wchar_t accessKey(const std::wstring& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] == L'&') {
      ++i;  // "&&" is a plain ampersand
      continue;
    }
    return static_cast<wchar_t>(std::towupper(text[i + 1]));
  }
  return 0;
}

// A copy of one picture of an image list in an image list of its own, at the
// given size: the picture is centred, cut where it is larger, and keeps its
// transparent parts.
ImageListHandle copyPicture(HIMAGELIST source, int index, SIZE size) {
  if (!source || index < 0 || index >= ImageList_GetImageCount(source) || size.cx <= 0 || size.cy <= 0)
    return ImageListHandle();
  int width = 0, height = 0;
  IMAGEINFO info{};
  if (!ImageList_GetIconSize(source, &width, &height) || !ImageList_GetImageInfo(source, index, &info))
    return ImageListHandle();
  ImageListHandle copy(ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 1, 0));
  WindowDC screen(nullptr);
  BitmapHandle colour(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
  BitmapHandle mask(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
  MemoryDC dc(screen.get());
  if (!copy || !colour || !mask || !dc) return ImageListHandle();
  const int x = (size.cx - width) / 2;
  const int y = (size.cy - height) / 2;
  {
    // Colour: the picture over black, as a masked image list stores it.
    SelectGuard select(dc.get(), colour.get());
    PatBlt(dc.get(), 0, 0, size.cx, size.cy, BLACKNESS);
    ImageList_Draw(source, index, dc.get(), x, y, ILD_TRANSPARENT);
  }
  {
    // Mask: white (transparent) around the picture; a list without masks
    // has opaque pictures.
    SelectGuard select(dc.get(), mask.get());
    PatBlt(dc.get(), 0, 0, size.cx, size.cy, WHITENESS);
    if (info.hbmMask) {
      ImageList_Draw(source, index, dc.get(), x, y, ILD_MASK);
    } else {
      PatBlt(dc.get(), x, y, width, height, BLACKNESS);
    }
  }
  if (ImageList_Add(copy.get(), colour.get(), mask.get()) != 0) return ImageListHandle();
  return copy;
}

}  // namespace

ImageListHandle loadImageStrip(HINSTANCE instance, int bitmapId, int imageWidth, COLORREF mask) {
  return ImageListHandle(ImageList_LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), imageWidth, 1, mask,
                                              IMAGE_BITMAP, LR_CREATEDIBSECTION));
}

IconMenu::~IconMenu() { clear(); }

void IconMenu::clear() {
  if (ownsMenu_ && menu_) DestroyMenu(menu_);  // the submenus go with it
  menu_ = nullptr;
  ownsMenu_ = false;
  items_.clear();
  submenus_.clear();
}

bool IconMenu::createPopup() {
  if (root_ != this) return false;
  clear();
  menu_ = CreatePopupMenu();
  ownsMenu_ = menu_ != nullptr;
  return ownsMenu_;
}

bool IconMenu::loadMenu(HINSTANCE instance, int resourceId) {
  HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(resourceId));
  if (!menu && root_ == this) clear();
  return menu && takeMenu(menu);
}

bool IconMenu::takeMenu(HMENU menu) {
  if (root_ != this) {
    if (menu) DestroyMenu(menu);
    return false;
  }
  clear();
  if (!menu) return false;
  menu_ = menu;
  ownsMenu_ = true;
  if (!adoptItems()) {
    clear();
    return false;
  }
  alignTabs();
  return true;
}

bool IconMenu::adoptItems() {
  const int count = GetMenuItemCount(menu_);
  if (count < 0) return false;
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    if (!GetMenuItemInfoW(menu_, static_cast<UINT>(i), TRUE, &info)) return false;
    auto item = std::make_unique<IconMenuItem>();
    const bool separator = (info.fType & MFT_SEPARATOR) != 0;
    HMENU popup = info.hSubMenu;
    item->flags = MF_OWNERDRAW | (separator ? MF_SEPARATOR : 0) | (popup ? MF_POPUP : 0);
    item->commandId = separator || popup ? 0 : info.wID;
    if (info.cch > 0 && !separator) {
      // (A query without MIIM_SUBMENU clears hSubMenu, so it was kept above.)
      std::wstring text(info.cch + 1, L'\0');
      info.fMask = MIIM_STRING;
      info.dwTypeData = text.data();
      info.cch += 1;
      if (!GetMenuItemInfoW(menu_, static_cast<UINT>(i), TRUE, &info)) return false;
      text.resize(info.cch);
      item->text = text;
    }
    if (popup) {
      std::unique_ptr<IconMenu> submenu(new IconMenu(root_, popup));
      if (!submenu->adoptItems()) return false;
      item->submenu = submenu.get();
      submenus_.push_back(std::move(submenu));
    }
    if (!makeOwnerDrawn(i, item.get())) return false;
    items_.push_back(std::move(item));
  }
  return true;
}

bool IconMenu::makeOwnerDrawn(int position, IconMenuItem* item) {
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE;
  if (!GetMenuItemInfoW(menu_, static_cast<UINT>(position), TRUE, &info)) return false;
  info.fMask = MIIM_FTYPE | MIIM_DATA;
  info.fType |= MFT_OWNERDRAW;
  info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
  return SetMenuItemInfoW(menu_, static_cast<UINT>(position), TRUE, &info) != FALSE;
}

const IconMenuItem* IconMenu::itemAt(int position) const {
  if (position < 0 || position >= itemCount()) return nullptr;
  return items_[static_cast<size_t>(position)].get();
}

IconMenu* IconMenu::subMenu(int position) const {
  const IconMenuItem* item = itemAt(position);
  return item ? item->submenu : nullptr;
}

bool IconMenu::insertAt(int position, std::unique_ptr<IconMenuItem> item, UINT state, HMENU submenu) {
  if (!menu_) return false;
  if (position < 0) position = itemCount();
  if (position > itemCount()) return false;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE;
  info.fType = MFT_OWNERDRAW | (item->isSeparator() ? MFT_SEPARATOR : 0);
  info.fState = menuItemState(state);
  info.dwItemData = reinterpret_cast<ULONG_PTR>(item.get());
  if (!item->isSeparator()) {
    // The caption stays with the system's item too, where tools that read
    // menus (and the keyboard's access keys) find it.
    info.fMask |= MIIM_STRING;
    info.dwTypeData = item->text.data();
    if (submenu) {
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = submenu;
    } else {
      info.fMask |= MIIM_ID;
      info.wID = item->commandId;
    }
  }
  if (!InsertMenuItemW(menu_, static_cast<UINT>(position), TRUE, &info)) return false;
  items_.insert(items_.begin() + position, std::move(item));
  return true;
}

bool IconMenu::insertItem(MenuItemRef before, const IconMenuItemSpec& spec) {
  int position = -1;
  IconMenu* target = this;
  if (before.byPosition) {
    position = static_cast<int>(before.value);
    if (position < -1 || position > itemCount()) return false;
  } else {
    target = find(before, &position);
    if (!target) return false;
  }
  auto item = std::make_unique<IconMenuItem>();
  item->commandId = spec.commandId;
  item->flags = MF_OWNERDRAW | (spec.commandId == 0 ? MF_SEPARATOR : 0);
  if (!item->isSeparator()) {
    item->text = wideFromAnsi(spec.text);
    givePicture(*item, spec.images, spec.imageIndex);
  }
  return target->insertAt(position, std::move(item), spec.state, nullptr);
}

IconMenu* IconMenu::appendSubmenu(const std::string& text, HIMAGELIST images, int imageIndex) {
  if (!menu_) return nullptr;
  HMENU popup = CreatePopupMenu();
  if (!popup) return nullptr;
  std::unique_ptr<IconMenu> submenu(new IconMenu(root_, popup));
  auto item = std::make_unique<IconMenuItem>();
  item->text = wideFromAnsi(text);
  item->flags = MF_OWNERDRAW | MF_POPUP;
  givePicture(*item, images, imageIndex);
  item->submenu = submenu.get();
  if (!insertAt(-1, std::move(item), 0, popup)) {
    DestroyMenu(popup);
    return nullptr;
  }
  submenus_.push_back(std::move(submenu));
  return submenus_.back().get();
}

bool IconMenu::appendRows(const std::vector<IconMenuRow>& rows, HIMAGELIST images) {
  // The menus rows of each level go into: this one, then the submenu the
  // last row of each level opened.
  std::vector<IconMenu*> open{this};
  for (size_t i = 0; i < rows.size(); ++i) {
    const IconMenuRow& row = rows[i];
    if (row.level < 0 || static_cast<size_t>(row.level) >= open.size()) return false;
    open.resize(static_cast<size_t>(row.level) + 1);
    IconMenu* menu = open.back();
    const bool opensSubmenu = i + 1 < rows.size() && rows[i + 1].level == row.level + 1;
    if (opensSubmenu) {
      IconMenu* submenu = menu->appendSubmenu(row.text, images, row.imageIndex);
      if (!submenu) return false;
      if (row.state & MF_GRAYED) menu->enableItem(MenuItemRef::position(menu->itemCount() - 1), false);
      open.push_back(submenu);
    } else if (!menu->appendItem(
                   IconMenuItemSpec{row.text, row.commandId, images, row.imageIndex, row.state})) {
      return false;
    }
  }
  alignTabs();
  return true;
}

IconMenu* IconMenu::find(MenuItemRef ref, int* position) {
  if (ref.byPosition) {
    const int at = static_cast<int>(ref.value);
    if (at < 0 || at >= itemCount()) return nullptr;
    *position = at;
    return this;
  }
  for (int i = 0; i < itemCount(); ++i) {
    const IconMenuItem& item = *items_[static_cast<size_t>(i)];
    if (!item.isSeparator() && !item.submenu && item.commandId == ref.value) {
      *position = i;
      return this;
    }
  }
  for (auto& submenu : submenus_)
    if (IconMenu* menu = submenu->find(ref, position)) return menu;
  return nullptr;
}

const IconMenu* IconMenu::findMenu(HMENU menu) const {
  if (!menu) return nullptr;
  if (menu == menu_) return this;
  for (const auto& submenu : submenus_)
    if (const IconMenu* found = submenu->findMenu(menu)) return found;
  return nullptr;
}

bool IconMenu::holdsItem(const IconMenuItem* item) const {
  for (const auto& own : items_)
    if (own.get() == item) return true;
  for (const auto& submenu : submenus_)
    if (submenu->holdsItem(item)) return true;
  return false;
}

void IconMenu::givePicture(IconMenuItem& item, HIMAGELIST images, int index) const {
  item.image = copyPicture(images, index, iconSize());
  item.imageIndex = item.image ? index : -1;
}

bool IconMenu::setItemImage(MenuItemRef ref, HIMAGELIST images, int index) {
  int position = -1;
  IconMenu* menu = find(ref, &position);
  if (!menu) return false;
  IconMenuItem& item = *menu->items_[static_cast<size_t>(position)];
  if (item.isSeparator()) return false;
  givePicture(item, images, index);
  return true;
}

bool IconMenu::setItemText(MenuItemRef ref, const std::string& text) {
  int position = -1;
  IconMenu* menu = find(ref, &position);
  if (!menu) return false;
  IconMenuItem& item = *menu->items_[static_cast<size_t>(position)];
  if (item.isSeparator()) return false;
  item.text = wideFromAnsi(text);
  return setMenuString(menu->menu_, position, item.text);
}

bool IconMenu::enableItem(MenuItemRef ref, bool enabled) {
  int position = -1;
  IconMenu* menu = find(ref, &position);
  if (!menu) return false;
  return EnableMenuItem(menu->menu_, static_cast<UINT>(position),
                        MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED)) != static_cast<BOOL>(-1);
}

bool IconMenu::checkItem(MenuItemRef ref, bool checked) {
  int position = -1;
  IconMenu* menu = find(ref, &position);
  if (!menu) return false;
  return CheckMenuItem(menu->menu_, static_cast<UINT>(position),
                       MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED)) != static_cast<DWORD>(-1);
}

void IconMenu::alignTabs() {
  WindowDC screen(nullptr);
  if (!screen.get()) return;
  SelectGuard font(screen.get(), menuFont());
  alignTabsHere(screen.get());
}

void IconMenu::alignTabsHere(HDC dc) {
  const LONG blank = textWidth(dc, L" ");
  LONG widest = -1;
  for (auto& item : items_) {
    const auto tab = item->text.find(L'\t');
    if (tab == std::wstring::npos) continue;
    // Blanks from an earlier alignment do not count.
    const auto end = item->text.find_last_not_of(L' ', tab == 0 ? 0 : tab - 1);
    const std::wstring before = tab == 0 || end == std::wstring::npos ? L"" : item->text.substr(0, end + 1);
    item->text = before + item->text.substr(tab);
    widest = std::max(widest, textWidth(dc, before));
  }
  if (widest >= 0 && blank > 0) {
    const LONG target = widest + blank;
    for (int i = 0; i < itemCount(); ++i) {
      IconMenuItem& item = *items_[static_cast<size_t>(i)];
      const auto tab = item.text.find(L'\t');
      if (tab == std::wstring::npos) continue;
      std::wstring before = item.text.substr(0, tab);
      while (textWidth(dc, before) < target) before += L' ';
      item.text = before + item.text.substr(tab);
      setMenuString(menu_, i, item.text);
    }
  }
  for (auto& submenu : submenus_) submenu->alignTabsHere(dc);
}

HFONT IconMenu::menuFont() const {
  FontHandle& font = root_->font_;
  if (!font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    bool ok = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) != FALSE;
#if WINVER >= 0x0600
    if (!ok) {
      // Systems before Vista know the structure without its last field.
      metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
      ok = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0) != FALSE;
    }
#endif
    if (ok) font.reset(CreateFontIndirectW(&metrics.lfMenuFont));
  }
  return font ? font.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

UINT IconMenu::track(HWND owner, POINT screen, UINT flags) {
  if (!menu_) return 0;
  PopupOwner popupOwner(owner, root_);
  if (!popupOwner.handle()) return 0;
  const UINT command = static_cast<UINT>(TrackPopupMenuEx(menu_, (flags & ~TPM_NONOTIFY) | TPM_RETURNCMD,
                                                          screen.x, screen.y, popupOwner.handle(), nullptr));
  releaseFont();
  return command;
}

bool IconMenu::handleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (!measure || !measureItem(*measure)) return false;
      *result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!draw || !drawItem(*draw)) return false;
      *result = TRUE;
      return true;
    }
    case WM_MENUCHAR: {
      HMENU menu = reinterpret_cast<HMENU>(lParam);
      if (!root_->findMenu(menu)) return false;
      *result = menuChar(static_cast<wchar_t>(LOWORD(wParam)), menu);
      return true;
    }
    default:
      return false;
  }
}

LRESULT IconMenu::menuChar(wchar_t key, HMENU handle) const {
  const IconMenu* menu = root_->findMenu(handle);
  if (!menu) return MAKELRESULT(0, MNC_IGNORE);
  const wchar_t wanted = static_cast<wchar_t>(std::towupper(key));
  std::vector<int> matches;
  int current = -1;
  for (int i = 0; i < menu->itemCount(); ++i) {
    const UINT state = GetMenuState(handle, static_cast<UINT>(i), MF_BYPOSITION);
    if (state & MF_HILITE) current = i;
    const IconMenuItem& item = *menu->items_[static_cast<size_t>(i)];
    if (item.isSeparator() || (state & (MF_GRAYED | MF_DISABLED))) continue;
    if (accessKey(item.text) == wanted) matches.push_back(i);
  }
  if (matches.empty()) return MAKELRESULT(0, MNC_IGNORE);
  if (matches.size() == 1) return MAKELRESULT(matches.front(), MNC_EXECUTE);
  // Several items share the key: each press moves to the next of them.
  const auto next = std::upper_bound(matches.begin(), matches.end(), current);
  return MAKELRESULT(next == matches.end() ? matches.front() : *next, MNC_SELECT);
}

bool IconMenu::measureItem(MEASUREITEMSTRUCT& measure) const {
  if (measure.CtlType != ODT_MENU) return false;
  const auto* item = reinterpret_cast<const IconMenuItem*>(measure.itemData);
  if (!item || !root_->holdsItem(item)) return false;
  if (item->isSeparator()) {
    measure.itemWidth = 0;
    measure.itemHeight = static_cast<UINT>(GetSystemMetrics(SM_CYMENU) / 2);
    return true;
  }
  const SIZE icon = iconSize();
  WindowDC screen(nullptr);
  LONG width = 0;
  if (screen.get()) {
    SelectGuard font(screen.get(), menuFont());
    width = textWidth(screen.get(), item->text);
  }
  measure.itemWidth = static_cast<UINT>(width + 2 * icon.cx + 1);
  measure.itemHeight = static_cast<UINT>(std::max<LONG>(GetSystemMetrics(SM_CYMENU), icon.cy + 4));
  return true;
}

bool IconMenu::drawItem(const DRAWITEMSTRUCT& draw) const {
  if (draw.CtlType != ODT_MENU) return false;
  const auto* item = reinterpret_cast<const IconMenuItem*>(draw.itemData);
  if (!item || !root_->findMenu(reinterpret_cast<HMENU>(draw.hwndItem)) || !root_->holdsItem(item))
    return false;
  const MenuSystemColours system = MenuSystemColours::current();
  const bool palette = (GetDeviceCaps(draw.hDC, RASTERCAPS) & RC_PALETTE) != 0;
  const int saved = SaveDC(draw.hDC);
  SelectObject(draw.hDC, menuFont());
  SetBkMode(draw.hDC, TRANSPARENT);
  if (usesFlatLook(style(), system, palette)) {
    drawFlatMenuItem(draw, *item, iconSize(), system);
  } else {
    drawClassicMenuItem(draw, *item, iconSize(), system);
  }
  RestoreDC(draw.hDC, saved);
  return true;
}
