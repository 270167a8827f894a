#include "PictureContextMenu.h"

#include "resource.h"

namespace {

constexpr int kTransitionCount = IDM_TRANSITION_LAST - IDM_TRANSITION_FIRST + 1;

// The glyph of bitmap 168 each command item shows.
struct CommandGlyph {
  UINT command;
  int glyph;
};
constexpr CommandGlyph kCommandGlyphs[] = {
    {IDM_ADD_PICTURES, 0},
    {IDM_COPY_PICTURES, 1},
    {IDM_DELETE_PICTURES, 2},
    {IDM_DELETE_ALL_PICTURES, 3},
};

// The language-file texts of the items the resource gives captions to. An
// item whose key the language file lacks keeps the resource's caption.
struct Caption {
  MenuItemRef item;
  const char* key;
};
const Caption kCaptions[] = {
    {MenuItemRef::command(IDM_ADD_PICTURES), "MenuAddPictures"},
    {MenuItemRef::command(IDM_COPY_PICTURES), "MenuCopyPictures"},
    {MenuItemRef::command(IDM_DELETE_PICTURES), "MenuDeletePictures"},
    {MenuItemRef::command(IDM_DELETE_ALL_PICTURES), "MenuDeleteAllPictures"},
    {MenuItemRef::position(PICTURE_MENU_TRANSITION_POSITION), "MenuTransition"},
    {MenuItemRef::command(IDM_HOLD_TIME), "MenuHoldTime"},
    {MenuItemRef::command(IDM_OPEN_ALBUM), "MenuOpenAlbum"},
    {MenuItemRef::command(IDM_SAVE_ALBUM), "MenuSaveAlbum"},
    {MenuItemRef::command(IDM_SAVE_ALBUM_AS), "MenuSaveAlbumAs"},
};

// The keys of the album-file commands (accelerator table IDR_ALBUM_KEYS),
// shown after their captions.
struct Shortcut {
  UINT command;
  const char* keys;
};
constexpr Shortcut kShortcuts[] = {
    {IDM_OPEN_ALBUM, "Ctrl+O"},
    {IDM_SAVE_ALBUM, "Ctrl+S"},
    {IDM_SAVE_ALBUM_AS, "Ctrl+Shift+S"},
};

}  // namespace

UINT transitionCommand(int transition) { return static_cast<UINT>(IDM_TRANSITION_FIRST + transition); }

int transitionOfCommand(UINT command) {
  if (command < IDM_TRANSITION_FIRST || command > IDM_TRANSITION_LAST) return -1;
  return static_cast<int>(command - IDM_TRANSITION_FIRST);
}

int sharedTransition(const std::vector<int>& transitions) {
  if (transitions.empty()) return -1;
  for (int t : transitions)
    if (t != transitions.front()) return -1;
  return transitions.front();
}

IconMenu* PictureContextMenu::transitions() const {
  IconMenu* menu = popup();
  return menu ? menu->subMenu(PICTURE_MENU_TRANSITION_POSITION) : nullptr;
}

bool PictureContextMenu::build(const PictureMenuSources& sources, const PictureMenuState& state) {
  // The flat look whatever the colour scheme.
  menu_.setStyle(IconMenuStyle{true, true});
  if (!menu_.loadMenu(sources.instance, IDR_PICTURE_MENU)) return false;
  IconMenu* menu = popup();
  IconMenu* submenu = transitions();
  if (!menu || !submenu) return false;

  {
    // The glyphs are copied into the items; the strip goes when they are.
    ImageListHandle glyphs =
        loadImageStrip(sources.instance, IDB_MENU_GLYPHS, MENU_GLYPH_WIDTH, MENU_GLYPH_MASK);
    for (const CommandGlyph& g : kCommandGlyphs)
      menu->setItemImage(MenuItemRef::command(g.command), glyphs.get(), g.glyph);
  }
  if (sources.language) {
    for (const Caption& caption : kCaptions) {
      std::string text = sources.language->lookupString(caption.key);
      if (text == caption.key) continue;
      for (const Shortcut& shortcut : kShortcuts)
        if (!caption.item.byPosition && caption.item.value == shortcut.command)
          text += std::string("\t") + shortcut.keys;
      menu->setItemText(caption.item, text);
    }
  }

  // The thirteen transitions go above the separator the template holds.
  for (int i = 0; i < kTransitionCount; ++i) {
    const std::string name = sources.language ? transitionName(*sources.language, i) : std::to_string(i + 1);
    submenu->insertItem(MenuItemRef::position(i),
                        IconMenuItemSpec{name, transitionCommand(i), sources.transitionImages, i, 0});
  }
  if (state.selectionTransition >= 0 && state.selectionTransition < kTransitionCount)
    submenu->checkItem(MenuItemRef::command(transitionCommand(state.selectionTransition)), true);

  if (!state.anySelected) {
    menu->enableItem(MenuItemRef::command(IDM_DELETE_PICTURES), false);
    menu->enableItem(MenuItemRef::command(IDM_COPY_PICTURES), false);
  }
  if (state.listEmpty) menu->enableItem(MenuItemRef::command(IDM_DELETE_ALL_PICTURES), false);
  // A transition is given to the selected pictures. With none selected (a
  // right click with Ctrl or Shift held leaves the selection as it was, which
  // may be empty) the choice would do nothing, so the submenu is gray then,
  // as it is off the pictures.
  if (!state.pointerOnPicture || !state.anySelected) {
    menu->enableItem(MenuItemRef::position(PICTURE_MENU_TRANSITION_POSITION), false);
    menu->enableItem(MenuItemRef::command(IDM_HOLD_TIME), false);
  }
  menu->alignTabs();
  return true;
}

UINT PictureContextMenu::run(HWND owner, POINT screen) {
  IconMenu* menu = popup();
  if (!menu) return 0;
  return menu->track(owner, screen, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON);
}

UINT showPictureContextMenu(HWND owner, POINT screen, const PictureMenuSources& sources,
                            const PictureMenuState& state) {
  PictureContextMenu menu;
  if (!menu.build(sources, state)) return 0;
  return menu.run(owner, screen);
}
