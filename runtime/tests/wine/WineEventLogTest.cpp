// The events' message table in both built programs, read as Event Viewer reads it, and the
// registration of an event source.
#include "EventLog.h"
#include "EventSource.h"
#include "WineSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    return out;
}

// The text of id in module's message table with the inserts <1> to <4>; nothing when the
// table has no such id.
std::optional<std::string> Formatted(HMODULE module, std::uint32_t id) {
    DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(L"<1>"), reinterpret_cast<DWORD_PTR>(L"<2>"),
                           reinterpret_cast<DWORD_PTR>(L"<3>"),
                           reinterpret_cast<DWORD_PTR>(L"<4>")};
    wchar_t text[2048] = {};
    if (FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0,
                       text, static_cast<DWORD>(std::size(text)),
                       reinterpret_cast<va_list*>(inserts)) == 0)
        return std::nullopt;
    return Utf8(text);
}

std::wstring RegistryText(const std::wstring& key, const wchar_t* value) {
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value, RRF_RT_ANY | RRF_NOEXPAND, nullptr, data,
                 &size);
    return data;
}

TEST(WineEventMessages, EveryIdOfBothProgramsFormatsToItsText) {
    const std::pair<std::uint32_t, const char*> kTexts[] = {
        {kEventCheckRunEnded,
         "データチェックを終了しました (<3>)。\r\nキャビネット: <1>\r\n検出件数: <2>"},
        {kEventUnattendedCheckEnded, "データチェック (Scrutel /check) を終了しました。終了コード: "
                                     "<3>\r\nキャビネット: <1>\r\n検出件数: <2>"},
        {kEventCheckFailed, "<1> のデータチェックに失敗しました。\r\n<2>"},
        {kEventRepairCommitted, "キャビネット <1> のデータ補正をコミットしました。\r\n補正したデ"
                                "ータ: <2> 件\r\n削除したデータ: <3> 件<4>"},
        {kEventRepairRolledBack, "キャビネット <1> のデータ補正をロールバックしました。データは"
                                 "変更されていません。\r\n理由: <2>"},
        {kEventRepairOutcomeUnknown,
         "キャビネット <1> のデータ補正の結果が不明です。コミットされたかどうかをデータベースで"
         "確認してください。\r\n理由: <2>"},
        {kEventServiceRecovered, "終了時にサービスを戻さなかったツールに代わり、サービス <1> を"
                                 "元の状態 (<2>) に戻しました。\r\n<3>"},
        {kEventRunRefused, "実行を拒否しました。\r\n理由: <1>"},
    };
    for (const char* program : {"Scrutel", "Mendora"}) {
        const std::string path =
            wine_test::ProgramFolder() + "\\..\\..\\..\\" + program + "\\" + program + ".exe";
        const HMODULE module = LoadLibraryExA(
            path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr) << path;
        for (const auto& [id, text] : kTexts)
            EXPECT_EQ(Formatted(module, id), std::optional<std::string>(text))
                << program << " " << id;
        EXPECT_FALSE(Formatted(module, 1103)) << "an id reserved for a later event";
        FreeLibrary(module);
    }
}

TEST(WineEventSource, RegistrationNamesTheProgramAndIsWrittenAgainWhenItMoved) {
    const std::string source = "VelmoraEventSourceTest";
    const std::wstring key = EventSourceKey(source);
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);

    ASSERT_TRUE(RegisterProgramEventSource(source));
    EXPECT_EQ(RegistryText(key, L"EventMessageFile"), program);
    DWORD types = 0;
    DWORD size = sizeof types;
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"TypesSupported", RRF_RT_REG_DWORD,
                           nullptr, &types, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(types, 7u); // errors, warnings, information

    const wchar_t elsewhere[] = L"C:\\Old\\Scrutel.exe";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"EventMessageFile", REG_EXPAND_SZ, elsewhere,
                    sizeof elsewhere);
    ASSERT_EQ(RegistryText(key, L"EventMessageFile"), elsewhere);
    EXPECT_TRUE(RegisterProgramEventSource(source));
    EXPECT_EQ(RegistryText(key, L"EventMessageFile"), program);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
}

} // namespace
