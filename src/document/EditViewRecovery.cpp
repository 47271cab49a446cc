// The view's side of the recovery copies: the document as a record, and a
// document restored from one as modified, ready to be saved or discarded.
#include "document/EditView.h"

#include "common/Handles.h"
#include "document/RecoveryFile.h"

namespace brevitex {

bool EditView::CaptureRecovery(RecoveryRecord* record) {
    if (!hwnd_ || !record) return false;
    WideString text;
    if (!ReadControlText(text) || !RewriteLineBreaks(text, LineBreak::Cr, true)) return false;
    record->path = path_;
    record->encoding = encoding_;
    record->writeBom = writeBom_;
    record->loadedExactly = loadedExactly_;
    record->standIns = standIns_;
    record->oddByte = oddByte_;
    record->mixedBreaks = mixedBreaks_;
    record->changesAccepted = changesAccepted_;
    record->savedLength = savedDigest_.length;
    record->savedHash = savedDigest_.hash;
    record->lineBreak = lineBreak_;
    record->stamp = stamp_;
    record->text = std::move(text);
    return true;
}

bool EditView::RestoreRecovery(const RecoveryRecord& record) {
    if (!hwnd_) return false;
    WaitCursor wait;
    DropHistory();
    DestroyRetired();
    const DWORD style = StyleForText(record.text);
    if (HoldsLongText() || madeBeside_ || WrapsUnlike(style)) {
        if (!ReplaceControl(style, style)) return false;
    }
    if (!FillControl(record.text)) {
        NewDocument();
        return false;
    }
    path_ = record.path;
    encoding_ = record.encoding;
    writeBom_ = record.writeBom;
    lineBreak_ = record.lineBreak;
    loadedExactly_ = record.loadedExactly;
    standIns_ = record.standIns;
    oddByte_ = record.oddByte;
    mixedBreaks_ = record.mixedBreaks;
    changesAccepted_ = record.changesAccepted;
    savedDigest_ = TextDigest{record.savedLength, record.savedHash};
    ++savedTexts_;
    stamp_ = record.stamp;
    StartAtTop(true);
    return true;
}

}  // namespace brevitex
