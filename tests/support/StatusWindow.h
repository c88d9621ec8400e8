#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A real hidden window that receives WM_UPDATE_STATUS the way the update
// window does: it takes over each text, records it and frees it.
class StatusWindow {
public:
    struct Status {
        std::string text;
        int percent;
    };

    StatusWindow();
    ~StatusWindow();
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    HWND Handle() const { return window_; }

    // Handles every message that is queued for this thread right now.
    void Pump();

    const std::vector<Status>& Received() const { return received_; }
    void Clear() { received_.clear(); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::vector<Status> received_;
};
