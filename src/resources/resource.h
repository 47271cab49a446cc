// Resource ids shared by the code and the resource scripts.
#pragma once

#define IDR_MAINFRAME 101
#define IDS_APP_TITLE 101

// ---- Find/replace, go-to and font dialogs ----------------------------------
#define IDD_FIND_REPLACE        111
#define IDD_FONT                113
#define IDD_GOTO                114
#define IDR_FIND_MENUBAR        145
#define IDR_OK_CANCEL_BAR       59139
#define IDS_MENUBAR_OK          59280
#define IDS_MENUBAR_CANCEL      59281
#define IDM_FIND_FIND           57636
#define IDM_FIND_REPLACE        57641
#define IDC_FIND_TEXT           32771
#define IDC_FIND_NEXT           32772
#define IDC_REPLACE_TEXT        32773
#define IDC_REPLACE             32774
#define IDC_REPLACE_ALL         32775
#define IDC_MATCH_CASE          32776
#define IDC_WHOLE_WORD          32777
#define IDC_FIND_LABEL          32781
#define IDC_REPLACE_LABEL       32782
#define IDC_MATCH_LABEL         32783
#define IDC_GOTO_LINE_COUNT     1010
#define IDC_FONT_FACE           1014
#define IDC_FONT_SIZE           1015
#define IDC_FONT_BOLD           1016
#define IDC_GOTO_LINE           1017
#define IDC_GOTO_COLUMN         1018
// ---- end of the dialogs' ids ------------------------------------------------

// ---- Short message dialog ----------------------------------------------------
#define IDD_SMS                 115
#define IDC_SMS_NUMBER          1008
#define IDC_SMS_MESSAGE         1009
#define IDC_SMS_COUNTER         1010
#define IDS_SMS_SENT            32820
#define IDS_SMS_FAILED          32821
// ---- end of the short message dialog's ids -----------------------------------

// ---- Edit view and dialog edit box -------------------------------------------
#define IDR_EDIT_POPUP          140
#define IDS_UNTITLED            32805
#define ID_VIEW_READONLY        32605
#define ID_VIEW_WORDWRAP        32606
#define ID_INSERT_LONGDATE      32610
#define ID_INSERT_SHORTDATE     32611
#define ID_INSERT_TIME          32612
#define ID_TOOLS_SMS            32620
#define ID_TOOLS_CALL           32621
#define ID_EDIT_SELECTMODE      32702
#define ID_EDIT_FINDNEXT        32703
#define ID_EDIT_CLEAR           57632
#define ID_EDIT_CLEAR_ALL       57633
#define ID_EDIT_COPY            57634
#define ID_EDIT_CUT             57635
#define ID_EDIT_FIND            57636
#define ID_EDIT_PASTE           57637
#define ID_EDIT_SELECT_ALL      57642
#define ID_EDIT_UNDO            57643
#define ID_EDIT_REDO            57644
// ---- end of the edit view's ids ----------------------------------------------

// ---- Main frame and document commands ---------------------------------------
#define ID_FILE_NEW             57600
#define ID_FILE_OPEN            57601
#define ID_FILE_SAVE            57603
#define ID_FILE_SAVE_AS         57604
#define ID_VIEW_FONT            32607
#define ID_VIEW_GOTO            32609
#define ID_VIEW_TOOLBAR         59392
#define ID_INFO_LINES           32615
#define ID_INFO_CHARS           32616
#define ID_INFO_ENCODING        32617
#define IDS_INFO_LINES          32615
#define IDS_INFO_CHARS          32616
#define IDS_INFO_ENCODING       32617
#define IDS_ABOUT               32790
#define IDS_POSITION            32791
#define IDR_TOOLBAR             120
#define IDB_TOOLBAR             120
#define ID_APP_ABOUT            57664
#define ID_APP_EXIT             57665
#define IDS_FILE_FILTER         32802
#define IDS_OPEN_FAILED         32806
#define IDS_SAVE_FAILED         32807
#define IDS_SAVE_PROMPT         32808
#define IDS_READONLY_PROMPT     32809
#define IDS_CHANGED_PROMPT      32830
// ---- end of the main frame's ids --------------------------------------------

// ---- File browser dialog -----------------------------------------------------
#define IDD_FILE_BROWSER        112
#define IDR_FILE_BROWSER_MENU   141
#define IDR_FILE_LIST_POPUP     142
#define IDC_FB_FOLDER           1000
#define IDC_FB_TYPE             1001
#define IDC_FB_LIST             1002
#define IDC_FB_TREE             1003
#define IDC_FB_NAME             1004
#define IDC_FB_UP               1006
#define IDC_FB_ENCODING         1007
#define ID_FB_VIEW_ICON         32690
#define ID_FB_VIEW_DETAILS      32691
#define ID_FB_VIEW_SMALLICON    32692
#define ID_FB_VIEW_LIST         32693
#define ID_FB_GO_DEVICE         32695
#define ID_FB_GO_DOCUMENTS      32696
#define ID_FB_GO_CARD           32697
#define ID_FB_DELETE            32700
#define ID_FB_RENAME            32701
#define IDS_AUTODETECT          32801
#define IDS_OVERWRITE_PROMPT    32810
#define IDS_DELETE_PROMPT       32811
#define IDS_NAME_TOO_LONG       32812
#define IDS_SAVE_AS             57604
// ---- end of the file browser dialog's ids -----------------------------------

// ---- File list and folder tree ----------------------------------------------
#define IDS_COLUMN_NAME         32795
#define IDS_COLUMN_SIZE         32796
#define IDS_COLUMN_MODIFIED     32797
#define IDS_COLUMN_TYPE         32798
#define IDS_MY_DEVICE           32800
// ---- end of the file list's ids ----------------------------------------------

// File operations of the device layer and rename (32900-32949).
#define IDS_FILEOP_DELETE_FAILED    32900
#define IDS_FILEOP_COPY_FAILED      32901
#define IDS_FILEOP_MOVE_FAILED      32902
#define IDS_FILEOP_REPLACE_PROMPT   32903
#define IDS_FILEOP_MERGE_PROMPT     32904
#define IDS_FILEOP_INTO_ITSELF      32905
#define IDS_FILEOP_SAME             32906
#define IDS_FILEOP_AMBIGUOUS        32907
#define IDS_FILEOP_SKIPPED          32908
#define IDS_FILEOP_CANCELLED        32909
#define IDS_FILEOP_MOVE_KEPT        32910
#define IDS_FILEOP_COPYING          32911
#define IDS_FILEOP_DELETING         32912
#define IDS_FILEOP_MOVING           32913
#define IDS_FILEOP_YES              32914
#define IDS_FILEOP_YES_TO_ALL       32915
#define IDS_FILEOP_NO               32916
#define IDS_FILEOP_CANCEL           32917
#define IDS_FILEOP_SKIPPED_LINK     32918
#define IDS_FILEOP_SKIPPED_NAME     32919
#define IDS_REASON_ACCESS           32920
#define IDS_REASON_IN_USE           32921
#define IDS_REASON_DISK_FULL        32922
#define IDS_REASON_NOT_FOUND        32923
#define IDS_REASON_KIND_DIFFERS     32925
#define IDS_REASON_WRITE_PROTECT    32926
#define IDS_REASON_NOT_EMPTY        32927
#define IDS_REASON_VERIFY           32928
#define IDS_REASON_OTHER            32929
#define IDS_REASON_BAD_NAME         32931
#define IDS_RENAME_CHANGED          32932
#define IDS_REASON_EXISTS           32934
#define IDS_REASON_CROSS_DEVICE     32935
#define IDS_FILEOP_PREPARING        32936

// Saving a document whose file would not come back byte for byte.
#define IDS_SAVE_CHANGES_PROMPT     33000
#define IDS_SAVE_CHANGE_STAND_INS   33001
#define IDS_SAVE_CHANGE_UTF16       33002
#define IDS_SAVE_CHANGE_ODD_BYTE    33003
#define IDS_SAVE_CHANGE_BYTES       33004
#define IDS_SAVE_CHANGE_BREAKS      33005
#define IDS_OPENED_READONLY         33006
#define IDS_INEXACT_STAND_INS       33007
#define IDS_INEXACT_ODD_BYTE        33008
#define IDS_INEXACT_BYTES           33009
#define IDS_BREAK_CRLF              33010
#define IDS_BREAK_LF                33011
#define IDS_BREAK_CR                33012
#define IDS_BREAK_CRCRLF            33013
// A file refused on opening.
#define IDS_OPEN_LINE_TOO_LONG      33014
// Word wrap declined for a line too long to wrap.
#define IDS_OPENED_UNWRAPPED        33015
#define IDS_WRAP_DECLINED           33016
#define IDS_CALL_FAILED             33100
