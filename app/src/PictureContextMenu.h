// The picture list's context menu (menu resource 131): add, copy, delete and
// delete all pictures with the glyphs of bitmap 168, a submenu with the
// thirteen transitions, each with its mark from the picture list and its
// name from the language file, a submenu with the eight motions, each with
// its mark of bitmap 161, the hold time and the caption of the selected
// pictures, and the album-file commands (open, save, save as) with their shortcuts. The menu is made for one
// right click from the list's state, shown, and released when it closes; the caller carries out the chosen
// command.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "IconMenu.h"
#include "LanguageFile.h"
#include "album/motion.h"

// The state of the picture list when the right button went up.
struct PictureMenuState {
  bool anySelected = false;       // at least one picture is selected
  bool listEmpty = true;          // the list holds no picture
  bool pointerOnPicture = false;  // the button went up over a picture
  int selectionTransition = -1;   // the transition every selected picture has, -1 when none or mixed
  int selectionMotion = -1;  // the named motion (0 none to 7 auto) they share, -1 when none, mixed or custom
};

// Where the menu's pictures and texts come from.
struct PictureMenuSources {
  HINSTANCE instance = nullptr;            // the module with menu 131 and bitmap 168
  const LanguageFile* language = nullptr;  // not owned; without one the resource's captions stay
  HIMAGELIST transitionImages = nullptr;   // not owned: the list's transition marks, image k for transition k
};

// The command of transition index 0 to 12 in the submenu, and back: the
// transition a command chooses, -1 for every other command.
UINT transitionCommand(int transition);
int transitionOfCommand(UINT command);

// The transition that all the given transitions (those of the selected
// pictures) share, -1 when they differ or there are none.
int sharedTransition(const std::vector<int>& transitions);

// The command of motion 0 (none) to 7 (auto) in the motion submenu, and
// back: the motion a command chooses, nothing for every other command.
UINT motionCommand(slidewright::MotionKind kind);
std::optional<slidewright::MotionKind> motionOfCommand(UINT command);

// The named motion that all the given motions share, as its submenu index
// (0 none to 7 auto); -1 when they differ, are custom rectangles or there
// are none.
int sharedMotion(const std::vector<slidewright::Motion>& motions);

class PictureContextMenu {
 public:
  // Builds the menu for the state: images, captions, the transition and
  // motion items, which items are gray and which transition and motion are
  // checked.
  bool build(const PictureMenuSources& sources, const PictureMenuState& state);
  // Shows the menu with its top-left corner at the screen point, following
  // the right button, and waits. The result is the chosen command (a
  // transition or motion command or one of the picture commands), 0 when the
  // menu was closed without a choice.
  UINT run(HWND owner, POINT screen);

  // The menu as built: the popup is the one shown, its submenus at
  // PICTURE_MENU_TRANSITION_POSITION and PICTURE_MENU_MOTION_POSITION hold
  // the transitions and the motions.
  IconMenu* popup() const { return menu_.subMenu(0); }
  IconMenu* transitions() const;
  IconMenu* motions() const;

 private:
  IconMenu menu_;
};

// Builds the context menu for the state, shows it and returns the chosen
// command as PictureContextMenu::run does; the menu is gone on return.
UINT showPictureContextMenu(HWND owner, POINT screen, const PictureMenuSources& sources,
                            const PictureMenuState& state);
