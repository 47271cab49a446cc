// Caret and text queries on edit controls.
#include "document/EditQueries.h"

#include <richedit.h>

namespace brevitex {

namespace {

void GetSelection(HWND edit, DWORD& start, DWORD& end) {
    start = end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

int LineIndex(HWND edit, int line) { return static_cast<int>(SendMessageW(edit, EM_LINEINDEX, line, 0)); }

// A line too long for EM_GETLINE's 16-bit size word: a rich edit hands out a
// range directly; a plain edit's character indexes match its window text.
bool LongLineText(HWND edit, int start, int length, WideString& text) {
    wchar_t* buffer = text.GetBuffer(length);
    if (!buffer) return false;
    TEXTRANGEW range{{start, start + length}, buffer};
    int count = static_cast<int>(SendMessageW(edit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));
    if (count > 0) {
        text.ReleaseBuffer(count < length ? count : length);
        return true;
    }
    text.ReleaseBuffer(0);
    WideString whole;
    if (!WindowTextString(edit, whole)) return false;
    text = whole.Mid(start, length);
    return true;
}

// A line's text ends before its break, which some controls hand out with it.
void DropLineBreak(WideString& text) {
    int length = text.Length();
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) --length;
    if (length != text.Length()) text = text.Mid(0, length);
}

}  // namespace

bool CaretPosition(HWND edit, int& line, int& column) {
    if (!IsWindow(edit)) return false;
    DWORD start = 0;
    DWORD end = 0;
    GetSelection(edit, start, end);
    int lineIndex = static_cast<int>(SendMessageW(edit, EM_LINEFROMCHAR, end, 0));
    // The column counts from the start of the caret's own line, so a selection
    // made backwards still gives a column inside that line.
    int first = LineIndex(edit, lineIndex);
    if (first < 0) first = 0;
    line = lineIndex + 1;
    column = static_cast<int>(end) - first + 1;
    return true;
}

bool LineText(HWND edit, int line, WideString& text) {
    text.Empty();
    int first = LineIndex(edit, line);
    if (first < 0) return true;
    int next = LineIndex(edit, line + 1);
    int length = next >= first ? next - first : GetWindowTextLengthW(edit) - first;
    if (length <= 0) return true;
    if (length >= 0xFFFF) {
        if (!LongLineText(edit, first, length, text)) return false;
        DropLineBreak(text);
        return true;
    }
    wchar_t* buffer = text.GetBuffer(length);
    if (!buffer) return false;
    // EM_GETLINE reads the buffer's size from its first unit.
    buffer[0] = static_cast<wchar_t>(length + 1);
    int count = static_cast<int>(SendMessageW(edit, EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer)));
    if (count < 0) count = 0;
    text.ReleaseBuffer(count < length ? count : length);
    DropLineBreak(text);
    return true;
}

bool SelectedLineText(HWND edit, WideString& text) {
    text.Empty();
    DWORD start = 0;
    DWORD end = 0;
    GetSelection(edit, start, end);
    if (start == end) return true;
    int line = static_cast<int>(SendMessageW(edit, EM_LINEFROMCHAR, start, 0));
    if (line < 0) return true;
    WideString lineText;
    if (!LineText(edit, line, lineText)) return false;
    int offset = static_cast<int>(start) - LineIndex(edit, line);
    if (offset < 0) offset = 0;
    int count = static_cast<int>(end - start);
    text = lineText.Mid(offset, count);
    return true;
}

bool WindowTextString(HWND window, WideString& text) {
    text.Empty();
    int length = GetWindowTextLengthW(window);
    if (length <= 0) return true;
    wchar_t* buffer = text.GetBuffer(length);
    if (!buffer) return false;
    int count = GetWindowTextW(window, buffer, length + 1);
    if (count < 0) count = 0;
    text.ReleaseBuffer(count < length ? count : length);
    return true;
}

}  // namespace brevitex
