#include "PictureContextMenu.h"

#include "resource.h"

namespace {

constexpr int kTransitionCount = IDM_TRANSITION_LAST - IDM_TRANSITION_FIRST + 1;
constexpr int kMotionCount = IDM_MOTION_LAST - IDM_MOTION_FIRST + 1;
static_assert(kMotionCount == static_cast<int>(slidewright::MotionKind::Auto) + 1,
              "one motion command for each named motion, in the kinds' order");

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
    {MenuItemRef::position(PICTURE_MENU_MOTION_POSITION), "MenuMotion"},
    {MenuItemRef::command(IDM_HOLD_TIME), "MenuHoldTime"},
    {MenuItemRef::command(IDM_CAPTION), "MenuCaption"},
    {MenuItemRef::command(IDM_SORT_BY_DATE), "MenuSortByDate"},
    {MenuItemRef::command(IDM_SORT_BY_NAME), "MenuSortByName"},
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

UINT motionCommand(slidewright::MotionKind kind) {
  return static_cast<UINT>(IDM_MOTION_FIRST + static_cast<int>(kind));
}

std::optional<slidewright::MotionKind> motionOfCommand(UINT command) {
  if (command < IDM_MOTION_FIRST || command > IDM_MOTION_LAST) return std::nullopt;
  return static_cast<slidewright::MotionKind>(command - IDM_MOTION_FIRST);
}

int sharedMotion(const std::vector<slidewright::Motion>& motions) {
  if (motions.empty()) return -1;
  const slidewright::MotionKind kind = motions.front().kind;
  if (kind == slidewright::MotionKind::Explicit) return -1;
  for (const auto& m : motions)
    if (m.kind != kind) return -1;
  return static_cast<int>(kind);
}

IconMenu* PictureContextMenu::motions() const {
  IconMenu* menu = popup();
  return menu ? menu->subMenu(PICTURE_MENU_MOTION_POSITION) : nullptr;
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
  IconMenu* motionMenu = motions();
  if (!menu || !submenu || !motionMenu) return false;

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

  {
    // The eight motions likewise, each with its mark; the caption command
    // shows the mark the strip puts on captioned pictures.
    ImageListHandle marks =
        loadImageStrip(sources.instance, IDB_PICTURE_MARKS, TRANSITION_MARK_SIZE, TRANSITION_MARK_MASK);
    for (int i = 0; i < kMotionCount; ++i) {
      const auto kind = static_cast<slidewright::MotionKind>(i);
      const std::string name =
          sources.language ? motionDisplayName(*sources.language, kind) : slidewright::motionName(kind);
      motionMenu->insertItem(MenuItemRef::position(i),
                             IconMenuItemSpec{name, motionCommand(kind), marks.get(), i, 0});
    }
    menu->setItemImage(MenuItemRef::command(IDM_CAPTION), marks.get(), PICTURE_MARK_CAPTION);
  }
  if (state.selectionMotion >= 0 && state.selectionMotion < kMotionCount)
    motionMenu->checkItem(
        MenuItemRef::command(motionCommand(static_cast<slidewright::MotionKind>(state.selectionMotion))),
        true);

  if (!state.anySelected) {
    menu->enableItem(MenuItemRef::command(IDM_DELETE_PICTURES), false);
    menu->enableItem(MenuItemRef::command(IDM_COPY_PICTURES), false);
  }
  if (state.listEmpty) {
    menu->enableItem(MenuItemRef::command(IDM_DELETE_ALL_PICTURES), false);
    menu->enableItem(MenuItemRef::command(IDM_SORT_BY_DATE), false);
    menu->enableItem(MenuItemRef::command(IDM_SORT_BY_NAME), false);
  }
  // A transition, a motion, a hold or a caption is given to the selected
  // pictures. With none selected (a right click with Ctrl or Shift held
  // leaves the selection as it was, which may be empty) the choice would do
  // nothing, so these are gray then, as they are off the pictures.
  if (!state.pointerOnPicture || !state.anySelected) {
    menu->enableItem(MenuItemRef::position(PICTURE_MENU_TRANSITION_POSITION), false);
    menu->enableItem(MenuItemRef::position(PICTURE_MENU_MOTION_POSITION), false);
    menu->enableItem(MenuItemRef::command(IDM_HOLD_TIME), false);
    menu->enableItem(MenuItemRef::command(IDM_CAPTION), false);
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
