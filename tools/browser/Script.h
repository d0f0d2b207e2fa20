// Runs a session script on the user-interface thread, one command at a time:
//   navigate URL                 Navigate2 as if the address was typed
//   post URL BODY...             Navigate2 with BODY (rest of the line) as form post data
//   open URL FLAGS [TARGET]      Navigate2 with flags and target frame (2048 / _blank: new tab)
//   frame URL [NAME]             the current page declares a frame
//   wait MS                      pause
//   waitidle [MS]                until no navigation of the window is pending (default 10000)
//   waitlocation TEXT [MS]       until the active tab's address contains TEXT
//   click ID / hover ID          button click / mouse over the window (or toolbar button) with
//                                that control id, anywhere in the frame window
//   tab N                        select tab N (1 = first)
//   minimize / restore
//   screenshot FILE              PNG of the frame window (relative names: next to the script)
//   close                        close the window (bands are unsited) and end the session
// Lines starting with # and empty lines are skipped.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class CFrameWindow;

class CScriptRunner {
public:
    bool Load(const std::wstring& path);
    // Starts on `frame`; the runner steps itself with a timer of a hidden window.
    bool Start(CFrameWindow* frame);
    bool Finished() const { return finished; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Step();
    // Runs one line; returns the delay before the next step (ms).
    UINT Run(const std::wstring& line);
    CFrameWindow* Target();

    std::vector<std::wstring> lines;
    std::wstring directory;
    size_t next = 0;
    HWND timerWindow = nullptr;
    CFrameWindow* frame = nullptr;
    int frameNumber = 0;
    bool finished = false;
    // An active wait: until condition or deadline.
    int waitKind = 0;  // 0 none, 1 idle, 2 location
    std::wstring waitText;
    DWORD waitDeadline = 0;
    int idleTicks = 0;
};
