// The base of the program's own windows: binding, creation refused in
// WM_CREATE, the window going before its object.
#include <gtest/gtest.h>

#include <vector>

#include "CustomWindow.h"

namespace {

// Records the messages it sees; refuses its creation when asked to.
class Recorder : public CustomWindow {
 public:
  explicit Recorder(bool refuse = false) : refuse_(refuse) {}
  ~Recorder() override { destroyWindow(); }

  bool create(HWND parent) {
    WindowClass windowClass;
    windowClass.name = "SlidewrightCustomWindowTest";
    CreateArgs args;
    args.parent = parent;
    args.pos = RECT{0, 0, 40, 30};
    args.style = parent ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    args.id = 7;
    return createWindow(windowClass, args);
  }

  std::vector<UINT> seen;
  HWND handleInCreate = nullptr;

 private:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_NCCREATE || message == WM_CREATE || message == WM_DESTROY || message == WM_NCDESTROY)
      seen.push_back(message);
    if (message == WM_CREATE) {
      handleInCreate = handle();
      if (refuse_) return -1;
    }
    return CustomWindow::onMessage(message, wParam, lParam);
  }

  bool refuse_;
};

TEST(CustomWindow, TheObjectSeesItsWindowFromCreationToTheEnd) {
  Recorder parent;
  ASSERT_TRUE(parent.create(nullptr));
  Recorder child;
  ASSERT_TRUE(child.create(parent.handle()));
  EXPECT_FALSE(child.create(parent.handle())) << "one window per object";
  EXPECT_EQ(child.handleInCreate, child.handle());
  EXPECT_EQ(GetDlgCtrlID(child.handle()), 7);
  EXPECT_EQ(CustomWindow::from<Recorder>(child.handle()), &child);
  EXPECT_EQ(CustomWindow::from<Recorder>(GetDesktopWindow()), nullptr);

  // The child goes with its parent; both objects stay, without windows.
  const HWND childWindow = child.handle();
  DestroyWindow(parent.handle());
  EXPECT_EQ(parent.handle(), nullptr);
  EXPECT_EQ(child.handle(), nullptr);
  EXPECT_FALSE(IsWindow(childWindow));
  const std::vector<UINT> lifetime = {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
  EXPECT_EQ(child.seen, lifetime);
  EXPECT_EQ(CustomWindow::from<Recorder>(childWindow), nullptr);
}

TEST(CustomWindow, ARefusalInCreateFailsTheCreation) {
  Recorder refused(true);
  EXPECT_FALSE(refused.create(nullptr));
  EXPECT_EQ(refused.handle(), nullptr);
  EXPECT_NE(refused.handleInCreate, nullptr);
  // The class stays registered for the next window.
  Recorder accepted;
  EXPECT_TRUE(accepted.create(nullptr));
}

}  // namespace
