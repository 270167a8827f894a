// The main window's side of the picture list: what it does with the list's
// mouse reports (the context menu on the right button, the enabling of the
// delete and copy buttons, the information tip after the pointer rests on a
// picture) and the copy command.
#include <windows.h>

#include <vector>

#include "MainWindow.h"
#include "PictureContextMenu.h"
#include "PictureTipText.h"

void MainWindow::onPictureListNotify(WPARAM event, POINT listPoint) {
  const int hit = pictureList_.hitTest(listPoint.x, listPoint.y);
  POINT screen = listPoint;
  ClientToScreen(pictureList_.handle(), &screen);
  switch (event) {
    case PLN_LBUTTONDOWN:
    case PLN_RBUTTONDOWN:
      // A click hides the tip and keeps its picture, so that the tip shows
      // again only once the pointer has been somewhere else.
      KillTimer(handle(), kInfoTipTimer);
      infoTip_.hide();
      break;
    case PLN_RBUTTONUP:
      showPictureMenu(hit, screen);
      // The buttons follow the selection as the menu's command left it.
      updateCommandStates();
      trackInfoTip(hit);
      break;
    case PLN_LBUTTONUP:
      updateCommandStates();
      trackInfoTip(hit);
      break;
    case PLN_MOUSEMOVE:
      trackInfoTip(hit);
      break;
    default:
      break;
  }
}

// The menu is made for the list as it is when the right button goes up: what
// is selected, whether the pointer is on a picture, the transition and the
// motion the selected pictures share (checked in the submenus).
void MainWindow::showPictureMenu(int hit, POINT screen) {
  std::vector<int> selectedTransitions;
  std::vector<slidewright::Motion> selectedMotions;
  for (int i = 0; i < pictureList_.entryCount(); ++i) {
    const PictureEntry& entry = pictureList_.entryAt(i);
    if (!entry.selected) continue;
    selectedTransitions.push_back(entry.transition);
    selectedMotions.push_back(entry.motion);
  }
  const PictureMenuState state{!selectedTransitions.empty(), pictureList_.entryCount() == 0, hit != -1,
                               sharedTransition(selectedTransitions), sharedMotion(selectedMotions)};
  const UINT command = showPictureContextMenu(
      handle(), screen, PictureMenuSources{instance(), &language_, pictureList_.transitionImages()}, state);
  runPictureMenuCommand(command);
}

// A transition or a motion goes to the selected pictures; the other commands
// run as the same commands of the buttons do. A menu closed without a choice
// does nothing.
void MainWindow::runPictureMenuCommand(UINT command) {
  if (const int transition = transitionOfCommand(command); transition >= 0)
    setTransitionOfSelected(transition);
  else if (const auto motion = motionOfCommand(command))
    setMotionOfSelected(*motion);
  else if (command != 0)
    SendMessageA(handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void MainWindow::copyPictures() {
  pictureList_.copySelected();
  updateCommandStates();
}

// The tip follows the pointer from picture to picture: a shown tip stays
// while the pointer is on its picture; any other move hides it and, on a
// picture, starts the wait for the next one again.
void MainWindow::trackInfoTip(int hit) {
  KillTimer(handle(), kInfoTipTimer);
  if (hit == infoTip_.index()) return;
  infoTip_.hide();
  infoTip_.setIndex(-1);
  if (hit != -1) SetTimer(handle(), kInfoTipTimer, kInfoTipDelayMs, nullptr);
}

// The pointer has rested: the tip describes the picture under it, if the
// list is what the pointer is on (no window has come over it since) and no
// button is held (pictures are being dragged).
void MainWindow::onInfoTipTimer() {
  KillTimer(handle(), kInfoTipTimer);
  POINT cursor{};
  if (!GetCursorPos(&cursor) || WindowFromPoint(cursor) != pictureList_.handle()) return;
  for (int button : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON})
    if (GetKeyState(button) < 0) return;
  POINT client = cursor;
  ScreenToClient(pictureList_.handle(), &client);
  const int hit = pictureList_.hitTest(client.x, client.y);
  if (hit == -1) return;
  const PictureEntry& entry = pictureList_.entryAt(hit);
  infoTip_.setText(pictureTipText(
      language_, PictureTipFacts{entry.path, entry.width, entry.height, entry.transition, entry.holdSeconds,
                                 fieldSettings().pauseSeconds, entry.motion, entry.caption}));
  infoTip_.showBelow(cursor, kInfoTipGap);
  infoTip_.setIndex(hit);
}
