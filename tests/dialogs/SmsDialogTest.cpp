// The short-message dialog and the call command against the real sms.dll and
// phone.dll: where a selection goes, the counter, what the library receives,
// the outbox and call log, failures, both forms, and the view's commands.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DialogTestHelpers.h"
#include "device/DeviceLibrary.h"
#include "device/Telephony.h"
#include "dialogs/PhoneServices.h"
#include "dialogs/SmsDialog.h"
#include "document/EditView.h"
#include "resources/resource.h"
#include "support/TestSupport.h"

using namespace brevitex;
using namespace dialogtests;
using testsupport::BoxAnswerer;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;

namespace {

std::string Utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

// The records of an outbox file without their leading time stamps, which
// are checked for their form ("YYYY-MM-DD hh:mm:ss").
std::string RecordsOf(const std::wstring& path) {
    std::string bytes;
    if (!testsupport::ReadBytes(path, &bytes)) return "<none>";
    std::string records;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) return "<unterminated>";
        std::string line = bytes.substr(start, end - start);
        bool stamped = line.size() > 19 && line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' &&
                       line[16] == ':' && line[19] == '\t';
        records += stamped ? line.substr(19) + "|" : "<no time>|";
        start = end + 2;
    }
    return records;
}

// A Pocket PC dialog over a host edit control, sending to an outbox of its own.
class SmsDialogTest : public testing::Test {
protected:
    HWND Item(int id) const { return GetDlgItem(dialog_.Handle(), id); }
    std::wstring Outbox() const { return outbox_.File(kSmsOutboxName); }
    void Open(const std::wstring& selection = L"") {
        host_.SetText(selection);
        host_.Select(0, -1);
        ASSERT_EQ(dialog_.OpenModeless(host_.Edit()), 1);
    }
    void Fill(const std::wstring& number, const std::wstring& text) {
        SetWindowTextW(Item(IDC_SMS_NUMBER), number.c_str());
        SetWindowTextW(Item(IDC_SMS_MESSAGE), text.c_str());
    }
    bool Submission(SmsAddress* address, TextProviderData* provider) const {
        auto last = reinterpret_cast<SmsLastSubmissionFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(kSmsLibraryName), kSmsLastSubmissionName)));
        return last && last(address, provider);
    }

    PlatformScope pocketPc_{false};
    TempDir outbox_;
    ScopedEnvironment outboxVariable_{L"BREVITEX_OUTBOX", outbox_.Path().c_str()};
    BoxAnswerer boxes_{IDOK};
    EditHost host_;
    SmsDialog dialog_;
};

}  // namespace

TEST(SmsPlacementTest, NumbersAreDigitsAfterAnOptionalPlusAndLongerThanOneCharacter) {
    for (const wchar_t* number : {L"+8613800138000", L"13800138000", L"+4", L"12"}) {
        EXPECT_TRUE(SmsDialog::IsPhoneNumber(number)) << number;
    }
    for (const wchar_t* text : {L"", L"+", L"7", L"138 0013", L"138-0013", L"++12", L"12a", L"\uFF11\uFF12"}) {
        EXPECT_FALSE(SmsDialog::IsPhoneNumber(text)) << text;
    }
}

TEST_F(SmsDialogTest, TheSelectionReplacesOnlyTheBoxTheRuleChooses) {
    Open();
    EXPECT_EQ(WindowText(Item(IDC_SMS_COUNTER)), L"字数: ");
    struct Case {
        const wchar_t* selection;
        const wchar_t* number;
        const wchar_t* message;
    } cases[] = {
        {L"+8613800138000", L"+8613800138000", L"kept"},
        {L"5", L"kept", L"5"},
        {L"138 0013", L"kept", L"138 0013"},
        {L"138-0013", L"kept", L"138-0013"},
        {L"", L"kept", L"kept"},
    };
    for (const Case& c : cases) {
        Fill(L"kept", L"kept");
        Open(c.selection);
        EXPECT_EQ(WindowText(Item(IDC_SMS_NUMBER)), c.number) << c.selection;
        EXPECT_EQ(WindowText(Item(IDC_SMS_MESSAGE)), c.message) << c.selection;
        EXPECT_TRUE(IsWindowVisible(dialog_.Handle()));
    }
    // Typing in the number box takes digits only.
    SetWindowTextW(Item(IDC_SMS_NUMBER), L"");
    for (wchar_t c : std::wstring(L"1a-2 +")) SendMessageW(Item(IDC_SMS_NUMBER), WM_CHAR, c, 1);
    EXPECT_EQ(WindowText(Item(IDC_SMS_NUMBER)), L"12");
}

TEST_F(SmsDialogTest, TheCounterFollowsTheMessageInUtf16UnitsWithTwoPerLineBreak) {
    Open(L"你好吗");
    EXPECT_EQ(WindowText(Item(IDC_SMS_COUNTER)), L"字数: 3") << "placing the selection counts as a change";
    SetWindowTextW(Item(IDC_SMS_MESSAGE), L"");
    for (wchar_t c : std::wstring(L"短信息")) SendMessageW(Item(IDC_SMS_MESSAGE), WM_CHAR, c, 1);
    EXPECT_EQ(WindowText(Item(IDC_SMS_COUNTER)), L"字数: 3");
    for (wchar_t c : std::wstring(L"\rx")) SendMessageW(Item(IDC_SMS_MESSAGE), WM_CHAR, c, 1);
    EXPECT_EQ(WindowText(Item(IDC_SMS_MESSAGE)), L"短信息\r\nx");
    EXPECT_EQ(WindowText(Item(IDC_SMS_COUNTER)), L"字数: 6");
}

TEST_F(SmsDialogTest, ASentMessageReachesTheLibraryAndTheOutboxAndHidesTheDialog) {
    Open();
    Fill(L"+8613800138000", L"你好\r\n\t世界\\");
    Click(dialog_.Handle(), IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"发送短信成功！");
    EXPECT_EQ(boxes_.Boxes()[0].caption, L"Brevitex");
    EXPECT_EQ(boxes_.Boxes()[0].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(boxes_.Boxes()[0].owner, dialog_.Handle());
    EXPECT_FALSE(IsWindowVisible(dialog_.Handle()));
    EXPECT_EQ(WindowText(Item(IDC_SMS_NUMBER)), L"+8613800138000") << "a hidden dialog keeps its texts";

    // The exact records as the library received them.
    SmsAddress address;
    TextProviderData provider;
    ASSERT_TRUE(Submission(&address, &provider));
    SmsAddress expectedAddress{};
    expectedAddress.addressType = 1;
    wcscpy(expectedAddress.address, L"+8613800138000");
    EXPECT_EQ(memcmp(&address, &expectedAddress, sizeof(address)), 0);
    TextProviderData expectedProvider{};
    expectedProvider.messageClass = 1;
    EXPECT_EQ(memcmp(&provider, &expectedProvider, sizeof(provider)), 0);

    // Another country keeps its plus sign and goes as a national number.
    Open();
    Fill(L"+447700900123", L"hi");
    Click(dialog_.Handle(), IDOK);
    ASSERT_TRUE(Submission(&address, nullptr));
    EXPECT_EQ(address.addressType, 2u);
    EXPECT_EQ(std::wstring(address.address), L"+447700900123");
    EXPECT_EQ(RecordsOf(Outbox()), Utf8(L"\t1\t+8613800138000\t你好\\r\\n\\t世界\\\\|\t2\t+447700900123\thi|"));
}

TEST_F(SmsDialogTest, AnEmptyNumberOrTextSendsNothingAndSaysNothing) {
    Open();
    Fill(L"", L"text");
    Click(dialog_.Handle(), IDOK);
    Fill(L"10086", L"");
    Click(dialog_.Handle(), IDOK);
    EXPECT_TRUE(boxes_.Boxes().empty());
    EXPECT_TRUE(IsWindowVisible(dialog_.Handle()));
    EXPECT_EQ(GetFileAttributesW(Outbox().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SmsDialogTest, AFailedSendSaysSoAndKeepsTheDialogWithItsTexts) {
    Open();
    // An outbox folder that does not exist: the library cannot deliver.
    ScopedEnvironment missing(L"BREVITEX_OUTBOX", (outbox_.Path() + L"\\missing").c_str());
    Fill(L"10086", L"text");
    Click(dialog_.Handle(), IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"发送短信失败！");
    EXPECT_EQ(boxes_.Boxes()[0].type, static_cast<UINT>(MB_ICONERROR));
    EXPECT_TRUE(IsWindowVisible(dialog_.Handle()));
    EXPECT_EQ(WindowText(Item(IDC_SMS_NUMBER)), L"10086");
    EXPECT_EQ(WindowText(Item(IDC_SMS_MESSAGE)), L"text");
}

TEST_F(SmsDialogTest, ANumberTooLongForTheAddressFieldIsRefusedBeforeTheLibrary) {
    Open();
    const std::wstring longest(255, L'1');
    Fill(longest + L"2", L"too long");
    Click(dialog_.Handle(), IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog_.Handle()));
    Fill(longest, L"fits");
    Click(dialog_.Handle(), IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 2u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"发送短信失败！");
    EXPECT_EQ(boxes_.Boxes()[1].text, L"发送短信成功！");
    EXPECT_EQ(RecordsOf(Outbox()), "\t2\t" + Utf8(longest) + "\tfits|");
    // Refused before the library is even looked for.
    DeviceLibrary absent(L"absent-sms.dll", kSmsEntryNames, kSmsEntryCount);
    EXPECT_EQ(SendTextMessage((longest + L"2").c_str(), L"x", absent), E_INVALIDARG);
    EXPECT_EQ(SendTextMessage(longest.c_str(), L"x", absent), E_NOINTERFACE);
}

TEST_F(SmsDialogTest, ANumberWithAnythingButDigitsAfterItsPlusIsRefusedBeforeTheLibrary) {
    Open();
    // Typing refuses these, a paste does not.
    for (const wchar_t* number : {L"10086a", L"IOO86", L"+", L"+86 138", L"1+2", L"\uFF11\uFF12"}) {
        Fill(number, L"text");
        Click(dialog_.Handle(), IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog_.Handle())) << number;
    }
    ASSERT_EQ(boxes_.Boxes().size(), 6u);
    for (const auto& box : boxes_.Boxes()) EXPECT_EQ(box.text, L"发送短信失败！");
    EXPECT_EQ(GetFileAttributesW(Outbox().c_str()), INVALID_FILE_ATTRIBUTES);
    DeviceLibrary absent(L"absent-sms.dll", kSmsEntryNames, kSmsEntryCount);
    EXPECT_EQ(SendTextMessage(L"10086a", L"x", absent), E_INVALIDARG);
    EXPECT_EQ(SendTextMessage(L"+7", L"x", absent), E_NOINTERFACE) << "a one-digit number may be sent";
}

TEST_F(SmsDialogTest, WithoutTheLibraryOrItsEntryPointsTheSendFails) {
    DeviceLibrary absent(L"absent-sms.dll", kSmsEntryNames, kSmsEntryCount);
    DeviceLibrary wrong(kPhoneLibraryName, kSmsEntryNames, kSmsEntryCount);
    EXPECT_EQ(SendTextMessage(L"10086", L"x", absent), E_NOINTERFACE);
    EXPECT_EQ(SendTextMessage(L"10086", L"x", wrong), E_NOINTERFACE);
    SmsDialog withoutLibrary(absent);
    host_.SetText(L"");
    ASSERT_EQ(withoutLibrary.OpenModeless(host_.Edit()), 1);
    HWND window = withoutLibrary.Handle();
    SetWindowTextW(GetDlgItem(window, IDC_SMS_NUMBER), L"10086");
    SetWindowTextW(GetDlgItem(window, IDC_SMS_MESSAGE), L"text");
    Click(window, IDOK);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"发送短信失败！");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetFileAttributesW(Outbox().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SmsDialogTest, SmartphoneRunsItModalFullScreenAndASendEndsIt) {
    PlatformScope smartphone(true);
    host_.SetText(L"+8613912345678");
    host_.Select(0, -1);
    SmsDialog modal;
    std::wstring number;
    RECT client{};
    ModalDriver driver([&](HWND window) {
        number = WindowText(GetDlgItem(window, IDC_SMS_NUMBER));
        GetClientRect(window, &client);
        SetWindowTextW(GetDlgItem(window, IDC_SMS_MESSAGE), L"modal");
        Click(window, IDOK);
    });
    EXPECT_EQ(modal.OpenModal(host_.Edit()), IDCANCEL);
    ASSERT_TRUE(driver.Acted());
    EXPECT_EQ(number, L"+8613912345678");
    ASSERT_EQ(modal.Layout().RowCount(), 3);
    EXPECT_EQ(modal.Layout().RowAt(1).id, IDC_SMS_MESSAGE);
    EXPECT_GT(client.right, modal.Layout().InitialWidth()) << "sized to the screen";
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"发送短信成功！");
    EXPECT_EQ(RecordsOf(Outbox()), "\t1\t+8613912345678\tmodal|");
}

// ---- The call command ---------------------------------------------------------

TEST_F(SmsDialogTest, ACallDialsTheSelectionAfterTheUsersYes) {
    const std::wstring log = outbox_.File(kCallLogName);
    host_.SetText(L"10086 call me");
    MakePhoneCall(host_.Edit());
    EXPECT_TRUE(boxes_.Boxes().empty()) << "no selection, no call";

    host_.Select(0, 5);
    boxes_.SetAnswer(IDNO);
    MakePhoneCall(host_.Edit());
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"拨打 10086?");
    EXPECT_EQ(boxes_.Boxes()[0].caption, L"Brevitex") << "the application name of the call record";
    EXPECT_EQ(boxes_.Boxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES);

    boxes_.SetAnswer(IDYES);
    MakePhoneCall(host_.Edit());
    host_.Select(6, 13);  // not a number: passed on all the same
    MakePhoneCall(host_.Edit());
    ASSERT_EQ(boxes_.Boxes().size(), 3u);
    EXPECT_EQ(boxes_.Boxes()[2].text, L"拨打 call me?");
    EXPECT_EQ(RecordsOf(log), "\t10086|\tcall me|");

    DeviceLibrary absent(L"absent-phone.dll", kPhoneEntryNames, kPhoneEntryCount);
    MakePhoneCall(host_.Edit(), absent);
    EXPECT_EQ(boxes_.Boxes().size(), 3u) << "without the library nothing happens";
}

TEST_F(SmsDialogTest, ACallThatCannotBePromptedOrLoggedIsTold) {
    const std::wstring log = outbox_.File(kCallLogName);
    boxes_.SetAnswer(IDYES);
    host_.SetText(std::wstring(3000, L'1'));
    host_.Select(0, -1);
    EXPECT_EQ(MakePhoneCall(host_.Edit()), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(boxes_.Boxes().size(), 1u) << "no prompt, only the failure";
    EXPECT_EQ(boxes_.Boxes()[0].text, L"呼叫号码失败！");
    EXPECT_EQ(boxes_.Boxes()[0].caption, L"Brevitex");
    EXPECT_EQ(boxes_.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes_.Boxes()[0].owner, host_.Frame());

    ScopedEnvironment missing(L"BREVITEX_OUTBOX", (outbox_.Path() + L"\\missing").c_str());
    host_.SetText(L"10086");
    host_.Select(0, -1);
    EXPECT_LT(MakePhoneCall(host_.Edit()), 0);
    ASSERT_EQ(boxes_.Boxes().size(), 3u);
    EXPECT_EQ(boxes_.Boxes()[1].text, L"拨打 10086?");
    EXPECT_EQ(boxes_.Boxes()[2].text, L"呼叫号码失败！");
    EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SmsDialogTest, TheViewsCommandsOpenTheDialogAndCall) {
    EditView view;
    RECT rect{0, 0, 300, 200};
    HWND edit = view.Create(host_.Frame(), rect, kEditViewNoWrapStyle);
    ASSERT_TRUE(edit);
    SetWindowTextW(edit, L"+8610010 hello");
    SendMessageW(edit, EM_SETSEL, 9, 14);
    SendMessageW(edit, WM_COMMAND, ID_TOOLS_SMS, 0);
    ASSERT_TRUE(view.ShortMessageDialog());
    HWND window = view.ShortMessageDialog()->Handle();
    ASSERT_TRUE(window && IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), host_.Frame());
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SMS_MESSAGE)), L"hello");
    SendMessageW(edit, EM_SETSEL, 0, 8);
    SendMessageW(edit, WM_COMMAND, ID_TOOLS_SMS, 0);
    EXPECT_EQ(view.ShortMessageDialog()->Handle(), window) << "the one window is kept";
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SMS_NUMBER)), L"+8610010");
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SMS_MESSAGE)), L"hello");

    boxes_.SetAnswer(IDYES);
    SendMessageW(edit, WM_COMMAND, ID_TOOLS_CALL, 0);
    EXPECT_EQ(RecordsOf(outbox_.File(kCallLogName)), "\t+8610010|");
}
