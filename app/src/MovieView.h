// The movie-view control: a child window that plays an SWF file with the
// project's own player, drawn at the movie's frame rate and scaled to the
// control as "ShowAll" does (the whole movie visible, its aspect kept, the
// background colour around it), with the movie's sound through the audio
// back end. The maker's preview and the screensaver both use it.
//
// Its interface is the one the main window's handlers and the screensaver
// drive: LoadMovie, Play, Stop, BGColor and Loop.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "CustomWindow.h"
#include "GdiHandles.h"
#include "player/audio_device.h"
#include "player/movie_player.h"

struct MovieViewArgs {
  HWND parent = nullptr;  // not owned
  RECT rect{};            // in the parent's client coordinates
  int controlId = 0;
  bool visible = true;
  // Mouse input passes through the control to the parent window, as the
  // screensaver's close rules need.
  bool mouseToParent = false;
  // Where the movie's sounds go; null for the control's own mixer on the
  // system's sound device. Not owned; must outlive the control.
  player::AudioOutput* audio = nullptr;
};

class MovieView : public CustomWindow {
 public:
  // Makes the control; null if the window cannot be made.
  static std::unique_ptr<MovieView> create(HINSTANCE instance, const MovieViewArgs& args);
  ~MovieView() override;  // unloads the movie and destroys the window

  // Loads the movie at `path` on layer 0 and plays it from its first frame.
  // A path that holds no movie (a folder such as "c:\", a missing or
  // damaged file) unloads whatever was loaded and shows only the background;
  // the result says whether a movie is loaded now. Other layers are not
  // offered: the call changes nothing and answers false.
  bool LoadMovie(int layer, const std::string& path);
  // Resumes playing where it was halted.
  void Play();
  // Halts playing where it is, sound included.
  void Stop();
  // The colour around the movie, in place of the movie's own background.
  void BGColor(COLORREF color);
  // Whether the movie starts again from its first frame after its last
  // (on by default); off, it halts on its last frame.
  void Loop(bool loop);

  bool isLoaded() const { return player_ != nullptr; }
  bool isPlaying() const { return player_ && player_->isPlaying(); }
  size_t currentFrame() const { return player_ ? player_->currentFrame() : 0; }
  size_t frameCount() const { return player_ ? player_->frameCount() : 0; }
  // Where the movie is drawn in the client area (empty without a movie).
  RECT movieRect() const { return movieRect_; }
  // Whether the control plays its sound on a device (false without one, or
  // with a sound sink of the caller's).
  bool hasSoundDevice() const { return device_.isOpen(); }

 private:
  MovieView() = default;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  void unload();
  void startClock();
  void onTimer();
  void layout();
  void renderFrame();
  void paint(HDC dc);
  COLORREF surroundColor() const;
  double secondsSinceLastTick();

  player::AudioOutput* audio_ = nullptr;  // not owned; the mixer or the caller's sink
  player::SoundMixer mixer_;
  player::AudioDevice device_;
  bool ownDevice_ = false;
  bool mouseToParent_ = false;
  std::unique_ptr<player::MoviePlayer> player_;
  std::optional<COLORREF> background_;  // set by BGColor
  bool loop_ = true;

  // Frame timing: the time not yet turned into frames, and the last tick.
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER lastTick_{};
  double pendingSeconds_ = 0;
  bool timerRunning_ = false;

  RECT movieRect_{};
  player::Image frame_;
  BitmapHandle dib_;
  void* dibBits_ = nullptr;  // owned by dib_
  int dibWidth_ = 0, dibHeight_ = 0;
};

// Where a movie of the given stage size is drawn inside a client area of
// the given size: scaled uniformly to fit, centred.
RECT showAllRect(int clientWidth, int clientHeight, int stageWidth, int stageHeight);
