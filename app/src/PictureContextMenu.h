// The picture list's context menu (menu resource 131): add, copy, delete and
// delete all pictures with the glyphs of bitmap 168, a submenu with the
// thirteen transitions, each with its mark from the picture list and its
// name from the language file, the hold time of the selected pictures, and
// the album-file commands (open, save, save as) with their shortcuts. The menu is made for one right click
// from the list's state, shown, and released when it closes; the caller carries out the chosen command.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "IconMenu.h"
#include "LanguageFile.h"

// The state of the picture list when the right button went up.
struct PictureMenuState {
  bool anySelected = false;       // at least one picture is selected
  bool listEmpty = true;          // the list holds no picture
  bool pointerOnPicture = false;  // the button went up over a picture
  int selectionTransition = -1;   // the transition every selected picture has, -1 when none or mixed
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

class PictureContextMenu {
 public:
  // Builds the menu for the state: images, captions, the transition items,
  // which items are gray and which transition is checked.
  bool build(const PictureMenuSources& sources, const PictureMenuState& state);
  // Shows the menu with its top-left corner at the screen point, following
  // the right button, and waits. The result is the chosen command (a
  // transition command or one of the four picture commands), 0 when the
  // menu was closed without a choice.
  UINT run(HWND owner, POINT screen);

  // The menu as built: the popup is the one shown, its submenu at
  // PICTURE_MENU_TRANSITION_POSITION holds the transitions.
  IconMenu* popup() const { return menu_.subMenu(0); }
  IconMenu* transitions() const;

 private:
  IconMenu menu_;
};

// Builds the context menu for the state, shows it and returns the chosen
// command as PictureContextMenu::run does; the menu is gone on return.
UINT showPictureContextMenu(HWND owner, POINT screen, const PictureMenuSources& sources,
                            const PictureMenuState& state);
