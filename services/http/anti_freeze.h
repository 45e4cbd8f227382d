#pragma once
// The process-wide responsiveness hook. While an AntiFreeze object exists, network waits on the
// user-interface thread are cut into slices and pending Qt events are dispatched between them
// (250 ms slices for reads, 125 ms for connects, with a 120 s connect limit). Without one,
// waits block outright.
//
// Quitting: once the application is on its way out (SetQuitting, called when the main window
// closes, or the application's aboutToQuit), every network wait gives up at its next slice with
// "The program is closing.", so a request never holds a closing process.

class AntiFreeze {
public:
    AntiFreeze();
    ~AntiFreeze();
    AntiFreeze(const AntiFreeze&) = delete;
    AntiFreeze& operator=(const AntiFreeze&) = delete;

    // True while an AntiFreeze exists and the caller runs on the user-interface thread.
    static bool InForce();

    static void SetQuitting(bool quitting = true);
    static bool Quitting();

    static constexpr int IdleTimeOutMs = 250;
    static constexpr int ConnectSliceMs = 125;
};
