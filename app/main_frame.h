#pragma once
// The saver's one window: full screen, the test window, a host's preview pane, or inside a
// window a host made for it. It makes the graphics device and the scene, draws a frame whenever
// the message loop is idle, closes on a key or a mouse move, opens the sound output when
// recordings will play, and sets the output volume for the run and puts it back at the end.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cover_wnd.h"
#include "app/framework/monitor_layout.h"
#include "app/framework/wnd.h"
#include "app/saver_app.h"
#include "scene/device_factory.h"
#include "scene/scenery.h"
#include "show/sequencer.h"

class CMainFrame : public framework::CFrameWnd {
public:
    // `settings` and the start-up volume belong to the application object and outlive the frame.
    CMainFrame(const Settings& settings, int startupVolume, framework::WindowHandle previewParent);
    ~CMainFrame() override;

    // Draws one frame: the programme change, the scenery, the running programme.
    void RenderFrame();

    bool windowed = false;
    // Drawing in a window a screensaver host made: full screen at that window's size, no input.
    bool hosted = false;
    framework::Point startCursor;
    // Where full screen learns the monitors (the system's list; tests give made-up ones).
    framework::MonitorSource monitors;

    // Whether the pointer at `point` (screen coordinates) is more than 5 pixels from where it
    // stood at start in x or in y: a move that ends the saver.
    bool PointerLeftItsStart(framework::Point point) const;

    // Why the last creation failed, for the one line the program prints before it ends.
    const char* CreationFailure() const { return creationFailure.empty() ? nullptr : creationFailure.c_str(); }

protected:
    bool PreCreateWindow(framework::CreateStruct& cs) override;
    int OnCreate(const framework::CreateStruct& cs) override;
    void OnDestroy() override;
    void OnKeyDown(unsigned key, unsigned repeatCount, unsigned flags) override;
    void OnMouseMove(unsigned flags, framework::Point point) override;
    void OnPaint() override;
    bool OnSetCursor() override;
    void OnDisplayChange() override;

private:
    bool InitDevice();
    // Full screen: the picture's window on the primary monitor, a black one on each other.
    void PlaceOnMonitors();
    void ReportFrameRate() const;
    bool Preview() const { return previewParent != 0; }
    bool FullScreen() const { return !windowed && !hosted && !Preview(); }
    // Whether recordings play: sound on and not the preview, which shows only the icon. The
    // audio device stays closed otherwise.
    bool SoundOn() const { return settings.sound != 0 && !Preview(); }

    const Settings& settings;
    const int startupVolume;
    const framework::WindowHandle previewParent;
    std::string creationFailure;
    std::string className;

    // Released in reverse: the running programme, the scenery, then the device.
    std::unique_ptr<scene::RenderDevice> device;
    scene::Scenery scenery;
    std::optional<show::Sequencer> sequencer;
    int clientWidth = 0;
    int clientHeight = 0;
    // Full screen's windows over the monitors, as last placed.
    framework::FullScreenLayout layout;
    std::vector<std::unique_ptr<CCoverWnd>> covers;

    // Frames drawn and when the first was, for the rate reported on request at the end.
    std::uint64_t framesDrawn = 0;
    std::uint32_t firstFrameTime = 0;
};
