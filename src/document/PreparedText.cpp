// Reading and decoding a file for the control, here or on a thread of its own.
#include "document/PreparedText.h"

#include <windows.h>

#include <atomic>
#include <new>
#include <utility>

#include "common/Handles.h"
#include "document/EditStreams.h"
#include "document/LoadProgress.h"

namespace brevitex {

uint64_t HashUnits(const wchar_t* units, int length) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (int i = 0; i < length; ++i) hash = (hash ^ static_cast<uint16_t>(units[i])) * 0x100000001B3ull;
    return hash;
}

void PrepareText(const wchar_t* path, TextEncoding encoding, int longestLine, PreparedText& out) {
    out.result = PreparedText::Result::Failed;
    out.encoding = encoding;
    out.hasBom = false;
    if (!LoadTextFile(path, out.text, out.encoding, out.hasBom, &out.facts)) return;
    out.breaks = SurveyLineBreaks(out.text.c_str(), out.text.Length());
    // One CR per break: the control keeps every one of them.
    if (!RewriteLineBreaks(out.text, LineBreak::Cr, false)) return;
    if (HasLineLongerThan(out.text.c_str(), out.text.Length(), longestLine)) {
        out.text.Empty();
        out.result = PreparedText::Result::LineTooLong;
        return;
    }
    out.hash = HashUnits(out.text.c_str(), out.text.Length());
    out.result = PreparedText::Result::Ready;
}

namespace {

// Shared by the loading thread and the reading one; the last to let go frees it.
struct Preparation {
    std::atomic<int> holders{2};
    WideString path;
    TextEncoding encoding = TextEncoding::AutoDetect;
    int longestLine = 0;
    PreparedText prepared;

    void Release() {
        if (holders.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
};

DWORD WINAPI PrepareThread(void* param) {
    auto* job = static_cast<Preparation*>(param);
    PrepareText(job->path.c_str(), job->encoding, job->longestLine, job->prepared);
    job->Release();
    return 0;
}

}  // namespace

void PrepareTextAside(const wchar_t* path, TextEncoding encoding, int longestLine, PreparedText& out,
                      LoadProgress& progress) {
    auto* job = new (std::nothrow) Preparation;
    if (!job || !path || !job->path.Assign(path, lstrlenW(path))) {
        delete job;
        PrepareText(path, encoding, longestLine, out);
        return;
    }
    job->encoding = encoding;
    job->longestLine = longestLine;
    UniqueHandle<HANDLE, KernelHandleTraits> thread(CreateThread(nullptr, 0, PrepareThread, job, 0, nullptr));
    if (!thread) {
        delete job;
        PrepareText(path, encoding, longestLine, out);
        return;
    }
    if (progress.WaitFor(thread.Get())) {
        // The thread has ended: what it made is this thread's alone now.
        out = std::move(job->prepared);
    } else {
        out = PreparedText{};
        out.result = PreparedText::Result::Cancelled;
    }
    job->Release();
}

}  // namespace brevitex
