// MainFrame: the top-level editor window of a frame thread (class
// "ZuzodurIzaVazed"). It hands WM_COPYDATA requests from later launches to the
// main thread, and ends its thread's loop when destroyed.
#pragma once

#include <windows.h>

#include "common/Window.h"

namespace brevitex {

class MainFrame : public WindowBase {
public:
    MainFrame() = default;

    void SetAccelerators(HACCEL accelerators) { accelerators_ = accelerators; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    using Self = MainFrame;
    static const MessageMapEntry<MainFrame> kMessageMap[];

    bool OnCreate(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnClose(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnCopyData(WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool OnDestroy(WPARAM wParam, LPARAM lParam, LRESULT& result);

    void SetTitleFor(const wchar_t* path);

    HACCEL accelerators_ = nullptr;
};

}  // namespace brevitex
