// The desktop sms.dll and phone.dll: what they check before they accept a
// message or a call, and where and how they record what they accept.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "device/DeviceLibrary.h"
#include "device/DeviceShell.h"
#include "device/Telephony.h"
#include "support/TestSupport.h"

using namespace brevitex;
using testsupport::BoxAnswerer;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;

namespace {

template <class Fn>
Fn Entry(const wchar_t* library, const char* name) {
    HMODULE module = LoadLibraryW(library);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

class PhoneLibrariesTest : public testing::Test {
protected:
    void SetUp() override {
        open_ = Entry<SmsOpenFn>(kSmsLibraryName, "SmsOpen");
        send_ = Entry<SmsSendMessageFn>(kSmsLibraryName, "SmsSendMessage");
        close_ = Entry<SmsCloseFn>(kSmsLibraryName, "SmsClose");
        call_ = Entry<PhoneMakeCallFn>(kPhoneLibraryName, "PhoneMakeCall");
        ASSERT_TRUE(open_ && send_ && close_ && call_) << "sms.dll and phone.dll next to the test";
        destination_.addressType = kSmsAddressNational;
        wcscpy(destination_.address, L"10086");
        provider_.messageClass = kSmsMessageClass1;
    }
    HRESULT Send(SmsHandle handle, const SmsAddress& address, const wchar_t* text, DWORD bytes,
                 DWORD providerSize = sizeof(TextProviderData), DWORD encoding = kSmsEncodingOptimal) {
        return send_(handle, nullptr, &address, nullptr, reinterpret_cast<const BYTE*>(text), bytes,
                     reinterpret_cast<const BYTE*>(&provider_), providerSize, encoding, 0, nullptr);
    }
    std::string Outbox(const wchar_t* name) const {
        std::string bytes;
        return testsupport::ReadBytes(outbox_.File(name), &bytes) ? bytes : "<none>";
    }

    TempDir outbox_;
    ScopedEnvironment variable_{L"BREVITEX_OUTBOX", outbox_.Path().c_str()};
    BoxAnswerer boxes_{IDYES};
    SmsOpenFn open_ = nullptr;
    SmsSendMessageFn send_ = nullptr;
    SmsCloseFn close_ = nullptr;
    PhoneMakeCallFn call_ = nullptr;
    SmsAddress destination_{};
    TextProviderData provider_{};
};

}  // namespace

TEST_F(PhoneLibrariesTest, SmsOpenAcceptsOnlyTheTextProtocolForSending) {
    SmsHandle handle = nullptr;
    EXPECT_LT(open_(L"Other Protocol", kSmsModeSend, &handle, nullptr), 0);
    EXPECT_LT(open_(kTextSmsProtocol, 1, &handle, nullptr), 0);
    EXPECT_LT(open_(kTextSmsProtocol, kSmsModeSend, nullptr, nullptr), 0);
    EXPECT_EQ(handle, nullptr);
    ASSERT_GE(open_(kTextSmsProtocol, kSmsModeSend, &handle, nullptr), 0);
    EXPECT_NE(handle, nullptr);
    EXPECT_GE(close_(handle), 0);
    EXPECT_LT(close_(handle), 0) << "a closed handle is no longer accepted";
    EXPECT_LT(Send(handle, destination_, L"hi", 4), 0);
}

TEST_F(PhoneLibrariesTest, SmsSendMessageRefusesBadArgumentsAndRecordsNothingForThem) {
    SmsHandle handle = nullptr;
    ASSERT_GE(open_(kTextSmsProtocol, kSmsModeSend, &handle, nullptr), 0);
    SmsAddress badType = destination_;
    badType.addressType = 3;
    SmsAddress unterminated = destination_;
    wmemset(unterminated.address, L'1', kSmsMaxAddress);
    SmsAddress empty = destination_;
    empty.address[0] = 0;
    EXPECT_LT(Send(handle, badType, L"hi", 4), 0);
    EXPECT_LT(Send(handle, unterminated, L"hi", 4), 0);
    EXPECT_LT(Send(handle, empty, L"hi", 4), 0);
    EXPECT_LT(Send(handle, destination_, L"hi", 0), 0);
    EXPECT_LT(Send(handle, destination_, L"hi", 3), 0) << "UTF-16 text has an even size";
    EXPECT_LT(Send(handle, destination_, L"hi", 4, sizeof(TextProviderData) - 1), 0);
    EXPECT_LT(Send(handle, destination_, L"hi", 4, sizeof(TextProviderData), 7), 0);
    EXPECT_EQ(Outbox(kSmsOutboxName), "<none>");
    // The text is taken by its size, not up to a terminator.
    EXPECT_GE(Send(handle, destination_, L"hi there", 4), 0);
    EXPECT_GE(close_(handle), 0);
    const std::string records = Outbox(kSmsOutboxName);
    ASSERT_EQ(records.size(), 19u + 13u);
    EXPECT_EQ(records.substr(19), "\t2\t10086\thi\r\n");
}

TEST_F(PhoneLibrariesTest, PhoneMakeCallChecksTheRecordAndPromptsOnlyWhenAsked) {
    PhoneCallInfo info{};
    info.size = sizeof(info);
    info.flags = kPhoneCallPromptFirst;
    info.destinationAddress = L"10086";
    info.applicationName = L"App";
    PhoneCallInfo wrongSize = info;
    wrongSize.size = sizeof(info) - 1;
    PhoneCallInfo unknownFlag = info;
    unknownFlag.flags = 4;
    PhoneCallInfo noNumber = info;
    noNumber.destinationAddress = L"";
    EXPECT_LT(call_(nullptr), 0);
    EXPECT_LT(call_(&wrongSize), 0);
    EXPECT_LT(call_(&unknownFlag), 0);
    EXPECT_LT(call_(&noNumber), 0);
    EXPECT_TRUE(boxes_.Boxes().empty());

    EXPECT_EQ(call_(&info), 0);
    ASSERT_EQ(boxes_.Boxes().size(), 1u);
    EXPECT_EQ(boxes_.Boxes()[0].text, L"拨打 10086?");
    EXPECT_EQ(boxes_.Boxes()[0].caption, L"App");
    boxes_.SetAnswer(IDNO);
    EXPECT_LT(call_(&info), 0) << "the user said no";
    info.flags = kPhoneCallDefault;
    info.destinationAddress = L"110";
    EXPECT_EQ(call_(&info), 0);
    EXPECT_EQ(boxes_.Boxes().size(), 2u) << "no prompt without the prompt flag";
    const std::string log = Outbox(kCallLogName);
    ASSERT_EQ(log.size(), 2 * 19u + 8u + 6u);
    EXPECT_EQ(log.substr(19, 8), "\t10086\r\n");
    EXPECT_EQ(log.substr(2 * 19 + 8), "\t110\r\n");
}

TEST_F(PhoneLibrariesTest, EveryControlInARecordIsEscapedSoEachStaysOneLine) {
    SmsHandle handle = nullptr;
    ASSERT_GE(open_(kTextSmsProtocol, kSmsModeSend, &handle, nullptr), 0);
    // ESC BEL VT FF DEL NEL LS PS, a NUL inside the sized text, a lone
    // surrogate, a whole pair and the escapes the records always had.
    const wchar_t text[] = L"a\x1B" L"b\x07\x0B\x0C\x7F\x85\x9F\x2028\x2029" L"c\0d\xD800" L"e\xD83D\xDE00\\\t\r\n\x1F";
    EXPECT_GE(Send(handle, destination_, text, sizeof(text) - sizeof(wchar_t)), 0);
    EXPECT_GE(close_(handle), 0);
    const std::string records = Outbox(kSmsOutboxName);
    ASSERT_GT(records.size(), 19u);
    EXPECT_EQ(records.substr(19), "\t2\t10086\ta\\u001Bb\\u0007\\u000B\\u000C\\u007F\\u0085\\u009F\\u2028\\u2029c\\u0000d"
                                  "\\uD800e\xF0\x9F\x98\x80\\\\\\t\\r\\n\\u001F\r\n");

    PhoneCallInfo info{};
    info.size = sizeof(info);
    info.flags = kPhoneCallDefault;
    info.destinationAddress = L"100\x1B" L"86\x2028\xDC00";
    EXPECT_EQ(call_(&info), 0);
    const std::string log = Outbox(kCallLogName);
    ASSERT_GT(log.size(), 19u);
    EXPECT_EQ(log.substr(19), "\t100\\u001B86\\u2028\\uDC00\r\n");
}

TEST(DeviceOutboxTest, TheOutboxIsTheVariablesFolderElseTheDocumentsFolder) {
    wchar_t path[MAX_PATH] = {};
    {
        ScopedEnvironment outbox(L"BREVITEX_OUTBOX", L"\\tmp\\out\\");
        ASSERT_TRUE(DeviceOutboxFile(kSmsOutboxName, path, MAX_PATH));
        EXPECT_STREQ(path, L"\\tmp\\out\\sms-outbox.txt");
        EXPECT_FALSE(DeviceOutboxFile(kSmsOutboxName, path, 10));
    }
    ScopedEnvironment noOutbox(L"BREVITEX_OUTBOX", nullptr);
    ScopedEnvironment documents(L"BREVITEX_DOCUMENTS", L"\\home\\me\\Documents");
    ASSERT_TRUE(DeviceOutboxFile(kCallLogName, path, MAX_PATH));
    EXPECT_STREQ(path, L"\\home\\me\\Documents\\call-log.txt");
}

TEST(DeviceLibraryTest, ThreadsAskingTogetherAllGetTheOneLookUp) {
    DeviceLibrary library(kSmsLibraryName, kSmsEntryNames, kSmsEntryCount);
    struct Shared {
        DeviceLibrary* library;
        HANDLE start;
        FARPROC seen[8][kSmsEntryCount];
    } shared{&library, CreateEventW(nullptr, TRUE, FALSE, nullptr), {}};
    struct Slot {
        Shared* shared;
        int index;
    } slots[8];
    HANDLE threads[8];
    for (int i = 0; i < 8; ++i) {
        slots[i] = {&shared, i};
        threads[i] = CreateThread(nullptr, 0, [](void* parameter) CALLBACK -> DWORD {
            auto* slot = static_cast<Slot*>(parameter);
            WaitForSingleObject(slot->shared->start, INFINITE);
            for (size_t entry = 0; entry < kSmsEntryCount; ++entry) {
                slot->shared->seen[slot->index][entry] = slot->shared->library->Entry(entry);
            }
            return 0;
        }, &slots[i], 0, nullptr);
        ASSERT_TRUE(threads[i]);
    }
    SetEvent(shared.start);
    EXPECT_EQ(WaitForMultipleObjects(8, threads, TRUE, 10000), WAIT_OBJECT_0);
    for (HANDLE thread : threads) CloseHandle(thread);
    CloseHandle(shared.start);
    EXPECT_TRUE(library.Complete());
    for (int i = 0; i < 8; ++i) {
        for (size_t entry = 0; entry < kSmsEntryCount; ++entry) {
            EXPECT_EQ(shared.seen[i][entry], library.Entry(entry)) << "thread " << i << " entry " << entry;
            EXPECT_NE(shared.seen[i][entry], nullptr);
        }
    }
}
