// Menus that draw their own items, so that each item can show a small
// picture beside its text: IconMenu wraps a menu (with its submenus), turns
// every item into an owner-drawn IconMenuItem and draws it in one of two
// looks, the flat one (a light picture column, a tinted selection with a
// frame) or the classic raised one.
//
// A menu is built from a menu resource (loadMenu), from a table of rows
// (appendRows) or item by item (insertItem, appendItem, appendSubmenu), and
// shown with track(), which hands the owner-draw messages to the menu itself
// for as long as the popup is open: the caller's window needs no part in it.
// A window that shows the menu in another way (as its menu bar, or through
// its own TrackPopupMenu call) passes its messages to handleMenuMessage().
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "GdiHandles.h"
#include "IconMenuLook.h"

// An image list cut from a bitmap resource of pictures side by side, each
// `imageWidth` pixels wide, with `mask` drawn transparent: the usual source
// of a menu's pictures. The pictures keep their colours (a list loaded from
// a device-dependent bitmap gets 16 colours).
ImageListHandle loadImageStrip(HINSTANCE instance, int bitmapId, int imageWidth, COLORREF mask);

class IconMenu;

// One owner-drawn item. Its checked and grayed state are the menu's (the
// system keeps them and reports them when the item is drawn).
struct IconMenuItem {
  std::wstring text;            // caption; a tab separates a right-aligned part (a shortcut)
  UINT flags = 0;               // MF_OWNERDRAW, with MF_SEPARATOR or MF_POPUP for those items
  UINT commandId = 0;           // 0 for separators and submenus
  int imageIndex = -1;          // picture index it was given, -1 for none
  ImageListHandle image;        // its own copy of that picture at the menu's picture size, with mask
  IconMenu* submenu = nullptr;  // not owned: the popup the item opens (MF_POPUP)

  bool isSeparator() const { return (flags & MF_SEPARATOR) != 0; }
  bool hasPicture() const { return static_cast<bool>(image); }
};

// An item named by its command (looked for in submenus too) or by its
// position in the menu it is asked of. Position -1 means "after the last".
struct MenuItemRef {
  UINT value = 0;
  bool byPosition = false;

  static MenuItemRef command(UINT id) { return MenuItemRef{id, false}; }
  static MenuItemRef position(int position) { return MenuItemRef{static_cast<UINT>(position), true}; }
};

// What a new item shows. Text is in the ANSI code page.
struct IconMenuItemSpec {
  std::string text;
  UINT commandId = 0;           // 0 makes a separator, whatever the text
  HIMAGELIST images = nullptr;  // not owned: picture imageIndex of it is copied
  int imageIndex = -1;          // below 0: no picture
  UINT state = 0;               // MF_GRAYED and MF_CHECKED
};

// One row of a menu table. A row followed by rows one level deeper opens a
// submenu made of them; any other row with command 0 is a separator.
struct IconMenuRow {
  int level = 0;
  UINT commandId = 0;
  std::string text;  // ANSI code page
  int imageIndex = -1;
  UINT state = 0;  // MF_GRAYED and MF_CHECKED
};

class IconMenu {
 public:
  IconMenu() = default;
  IconMenu(const IconMenu&) = delete;
  IconMenu& operator=(const IconMenu&) = delete;
  ~IconMenu();

  // Makes this an empty popup menu, dropping what it held.
  bool createPopup();
  // Loads a menu resource and makes each of its items, in submenus too, an
  // owner-drawn item with the resource's caption, then aligns the parts of
  // the captions before a tab in each menu (see alignTabs).
  bool loadMenu(HINSTANCE instance, int resourceId);
  // The same for a menu made elsewhere, which this object then owns.
  bool takeMenu(HMENU menu);

  HMENU handle() const { return menu_; }
  int itemCount() const { return static_cast<int>(items_.size()); }
  const IconMenuItem* itemAt(int position) const;
  // The submenu opened by the item at the position, or null.
  IconMenu* subMenu(int position) const;

  // Style and picture size are the whole menu's; set them on any of its menus.
  void setStyle(const IconMenuStyle& style) { root_->style_ = style; }
  const IconMenuStyle& style() const { return root_->style_; }
  // Size of the items' pictures, 16 x 15 unless set; pictures already given
  // keep the size they were copied at.
  void setIconSize(SIZE size) { root_->iconSize_ = size; }
  SIZE iconSize() const { return root_->iconSize_; }

  // Inserts an owner-drawn item before the one named (position -1: at the end
  // of this menu; by command: in whichever menu holds that command).
  bool insertItem(MenuItemRef before, const IconMenuItemSpec& item);
  bool appendItem(const IconMenuItemSpec& item) { return insertItem(MenuItemRef::position(-1), item); }
  // Appends an item that opens a new, empty submenu, and returns that
  // submenu (owned by this menu), or null.
  IconMenu* appendSubmenu(const std::string& text, HIMAGELIST images = nullptr, int imageIndex = -1);
  // Appends the rows of a table; pictures are taken from `images`.
  bool appendRows(const std::vector<IconMenuRow>& rows, HIMAGELIST images);

  // Gives the item picture `index` of `images` (copied); an index below 0
  // or past the list leaves the item without picture.
  bool setItemImage(MenuItemRef item, HIMAGELIST images, int index);
  // Replaces an item's caption (ANSI code page).
  bool setItemText(MenuItemRef item, const std::string& text);
  bool enableItem(MenuItemRef item, bool enabled);
  bool checkItem(MenuItemRef item, bool checked);

  // Pads the part before the tab of every caption that has one with blanks,
  // until it is as wide in the menu font as the widest such part plus one
  // blank, so that the parts after the tab line up.
  void alignTabs();

  // Shows this menu as a popup with its top-left corner at the screen point
  // and waits until it closes. The result is the chosen command, 0 when the
  // menu was dismissed. Flags are TrackPopupMenuEx's alignment and button
  // flags.
  UINT track(HWND owner, POINT screen, UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON);

  // Handles WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR for the items of
  // this menu and its submenus; false for any other message or item.
  bool handleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The owner-draw callbacks; items of other menus are left alone.
  bool measureItem(MEASUREITEMSTRUCT& measure) const;
  bool drawItem(const DRAWITEMSTRUCT& draw) const;

 private:
  IconMenu(IconMenu* root, HMENU menu) : menu_(menu), root_(root) {}

  void clear();
  bool adoptItems();
  bool makeOwnerDrawn(int position, IconMenuItem* item);
  bool insertAt(int position, std::unique_ptr<IconMenuItem> item, UINT state, HMENU submenu);
  // The menu holding the item and its position there, or null.
  IconMenu* find(MenuItemRef item, int* position);
  const IconMenu* findMenu(HMENU menu) const;
  bool holdsItem(const IconMenuItem* item) const;
  void alignTabsHere(HDC dc);
  LRESULT menuChar(wchar_t key, HMENU menu) const;
  // Gives the item its own copy of picture `index` of `images`, at the
  // menu's picture size; none when there is no such picture.
  void givePicture(IconMenuItem& item, HIMAGELIST images, int index) const;

  // The menu font, made when first needed and released when a popup closes.
  HFONT menuFont() const;
  void releaseFont() const { root_->font_.reset(); }

  HMENU menu_ = nullptr;
  bool ownsMenu_ = false;  // the root owns the menu handle, which owns its submenus
  IconMenu* root_ = this;  // not owned: the menu this one is a submenu of, or itself
  std::vector<std::unique_ptr<IconMenuItem>> items_;  // in menu order
  std::vector<std::unique_ptr<IconMenu>> submenus_;   // the submenus' objects

  // Kept by the root for the whole menu.
  IconMenuStyle style_;
  SIZE iconSize_{16, 15};
  mutable FontHandle font_;
};
