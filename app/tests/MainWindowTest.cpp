#include <gtest/gtest.h>

#include "GdiHandles.h"
#include "MainWindow.h"
#include "SkinBitmap.h"
#include "ProgramDirectory.h"
#include "TestFolder.h"

namespace {

TEST(SkinButtons, RectanglesAndHitTesting) {
    const RECT minimize = parseSkinRect("500,5,520,20");
    const RECT close = parseSkinRect("510,5,540,20");
    EXPECT_EQ(minimize.left, 500);
    EXPECT_EQ(close.right, 540);
    EXPECT_EQ(skinHitTest(POINT{515, 10}, minimize, close), HTMINBUTTON);  // in both
    EXPECT_EQ(skinHitTest(POINT{530, 10}, minimize, close), HTCLOSE);
    EXPECT_EQ(skinHitTest(POINT{100, 100}, minimize, close), HTCAPTION);

    // A missing key reads as its own name; fewer than four numbers give an
    // empty rectangle that nothing hits.
    const RECT missing = parseSkinRect("MinButton");
    const RECT partial = parseSkinRect("1,2,3");
    EXPECT_TRUE(IsRectEmpty(&missing));
    EXPECT_TRUE(IsRectEmpty(&partial));
    EXPECT_EQ(skinHitTest(POINT{0, 0}, partial, missing), HTCAPTION);
}

// Copies Slidewright.exe into a folder, runs it until its main window is up,
// closes the window as the skin's close button does and waits for the end.
class RunningProgram {
public:
    explicit RunningProgram(const std::string& folder) {
        const std::string exe = folder + "Slidewright.exe";
        if (!CopyFileA((programDirectory() + "Slidewright.exe").c_str(), exe.c_str(), FALSE)) return;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + exe + "\"";
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process_))
            return;
        WaitForInputIdle(process_.hProcess, 10000);
        for (int i = 0; i < 200 && !window_; ++i) {
            EnumWindows(findWindow, reinterpret_cast<LPARAM>(this));
            if (!window_) Sleep(50);
        }
    }
    ~RunningProgram() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    HWND window() const { return window_; }
    bool closeAndWait() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        return waitForExit();
    }
    bool waitForExit() { return WaitForSingleObject(process_.hProcess, 10000) == WAIT_OBJECT_0; }

private:
    static BOOL CALLBACK findWindow(HWND hwnd, LPARAM self) {
        auto* me = reinterpret_cast<RunningProgram*>(self);
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == me->process_.dwProcessId && IsWindowVisible(hwnd)) {
            me->window_ = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

std::string stored(const std::string& folder, const char* key) {
    char buffer[512] = {};
    GetPrivateProfileStringA("Setting", key, "<missing>", buffer, sizeof buffer,
                             (folder + "slidewright.ini").c_str());
    return buffer;
}

// Two copies of the program: the first starts without settings and writes the
// defaults when its window closes; the second keeps its own settings.
TEST(SlidewrightProgram, WritesItsOwnSettingsBesideItselfWhenClosed) {
    TestFolder first, second;
    writeFile(second.path() + "slidewright.ini",
              "[Setting]\r\nPicWidth=800\r\nPicHeight=600\r\nBKCltColor=16711680\r\nMusicPath=D:\\Music\\a.mp3\r\n");
    {
        RunningProgram program(first.path());
        ASSERT_NE(program.window(), nullptr) << "the main window did not appear";
        ASSERT_TRUE(program.closeAndWait());
    }
    {
        RunningProgram program(second.path());
        ASSERT_NE(program.window(), nullptr);
        ASSERT_TRUE(program.closeAndWait());
    }
    EXPECT_EQ(stored(first.path(), "PicWidth"), "640");
    EXPECT_EQ(stored(first.path(), "PicHeight"), "480");
    EXPECT_EQ(stored(first.path(), "Span"), "1");
    EXPECT_EQ(stored(first.path(), "BKCltColor"), "16777215");
    EXPECT_EQ(stored(first.path(), "SavePath"), first.path() + "temp.swf");
    EXPECT_EQ(stored(first.path(), "AddPicPath"), "");

    EXPECT_EQ(stored(second.path(), "PicWidth"), "800");
    EXPECT_EQ(stored(second.path(), "PicHeight"), "600");
    EXPECT_EQ(stored(second.path(), "BKCltColor"), "16711680");
    EXPECT_EQ(stored(second.path(), "MusicPath"), "D:\\Music\\");
    EXPECT_EQ(stored(second.path(), "SavePath"), second.path() + "temp.swf");
}

// With its language file and skin beside it, the window takes the skin's
// size and shape, its controls sit where the skin draws them, and the make
// buttons carry the language file's captions.
TEST(SlidewrightProgram, ShowsTheSkinnedMainWindow) {
    const std::string built = programDirectory();
    if (!fileExists(built + "interface\\mainskin.bmp") || !fileExists(built + "language.cns"))
        GTEST_SKIP() << "no skin or language file beside the built program";
    TestFolder dir;
    CreateDirectoryA((dir.path() + "interface").c_str(), nullptr);
    for (const char* f : {"language.cns", "interface\\mainskin.bmp", "interface\\mainmask.bmp"})
        ASSERT_TRUE(CopyFileA((built + f).c_str(), (dir.path() + f).c_str(), FALSE)) << f;

    RunningProgram program(dir.path());
    ASSERT_NE(program.window(), nullptr);
    HWND window = program.window();

    RECT client{};
    GetClientRect(window, &client);
    BITMAP skin{};
    {
        LanguageFile language;
        language.selectLanguage(dir.path());
        char caption[256] = {};
        SendMessageA(GetDlgItem(window, 1009), WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption));
        EXPECT_EQ(caption, language.lookupString("MakeAlbum"));
        EXPECT_NE(std::string(caption), "MakeAlbum");
    }
    // The skin's size, read the same way the program reads it.
    BitmapHandle skinBitmap(loadRle8Bitmap(dir.path() + "interface\\mainskin.bmp"));
    ASSERT_TRUE(skinBitmap);
    GetObject(skinBitmap.get(), sizeof skin, &skin);
    EXPECT_EQ(client.right, skin.bmWidth);
    EXPECT_EQ(client.bottom, skin.bmHeight);

    RegionHandle region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_NE(GetWindowRgn(window, region.get()), ERROR) << "no window region";

    // The album-width edit at 255, 112 (dialog units) of a 380 x 262 template.
    RECT edit{};
    GetWindowRect(GetDlgItem(window, 1063), &edit);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&edit), 2);
    EXPECT_NEAR(edit.left, MulDiv(255, skin.bmWidth, 380), 1);
    EXPECT_NEAR(edit.top, MulDiv(112, skin.bmHeight, 262), 1);

    // The skin's buttons answer the hit test; releasing the button over the
    // close area ends the program.
    LanguageFile language;
    language.selectLanguage(dir.path());
    const RECT closeRect = parseSkinRect(language.lookupValue("Skin", "Closebuttion"));
    const RECT minimizeRect = parseSkinRect(language.lookupValue("Skin", "MinButton"));
    auto hitAt = [window](const RECT& r) {
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(window, &p);
        return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    };
    ASSERT_FALSE(IsRectEmpty(&closeRect));
    EXPECT_EQ(hitAt(closeRect), HTCLOSE);
    EXPECT_EQ(hitAt(minimizeRect), HTMINBUTTON);
    EXPECT_EQ(hitAt(RECT{200, 380, 202, 382}), HTCAPTION);
    PostMessageA(window, WM_NCLBUTTONUP, HTCLOSE, 0);
    EXPECT_TRUE(program.waitForExit());
    EXPECT_TRUE(fileExists(dir.path() + "slidewright.ini"));
}

}  // namespace
