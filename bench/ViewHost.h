// A hidden top-level window holding an edit view, as a frame does, for the
// benchmark groups that time the view or its control.
#pragma once

#include <windows.h>

#include "document/EditView.h"

namespace bench {

double Now();

// The edit view, keeping the time its control spends taking in and giving
// out whole texts, so a load or save can be split into the control's part
// and the rest.
class TimedView : public brevitex::EditView {
public:
    double fillSeconds = 0;
    double readSeconds = 0;

protected:
    bool FillControl(const brevitex::WideString& text, brevitex::StreamProgress* progress) override {
        const double start = Now();
        const bool ok = EditView::FillControl(text, progress);
        fillSeconds += Now() - start;
        return ok;
    }
    bool ReadControlText(brevitex::WideString& text) override {
        const double start = Now();
        const bool ok = EditView::ReadControlText(text);
        readSeconds += Now() - start;
        return ok;
    }
};

class ViewHost {
public:
    explicit ViewHost(DWORD style = brevitex::kEditViewNoWrapStyle) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrevitexViewBench";
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 480, 640, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        RECT rect{0, 0, 480, 600};
        if (parent_) view.Create(parent_, rect, style);
    }
    ~ViewHost() {
        if (view.Handle()) DestroyWindow(view.Handle());
        if (parent_) DestroyWindow(parent_);
    }
    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;

    TimedView view;

private:
    HWND parent_ = nullptr;
};

}  // namespace bench
