// libFuzzer target: KieuGo.ini and BangMa.ini as a user may write them
// (their own typing methods and charsets). They are read without harm; a
// method saved by the settings tool unchanged reads back the same; typing
// with a user's method keeps the engine's promises; converting with a
// user's charset in pieces gives what the whole text gives.
//
// Input: the length (2 bytes, little-endian) and bytes of KieuGo.ini, the
// same for BangMa.ini, source and target charset, conversion options and
// piece size, five bytes of typing choices (FuzzEngine.h), then text that
// is both converted and typed as keys.
#include <map>
#include <set>

#include "core/KieuGoUtils.h"
#include "tests/fuzz/FuzzConvert.h"
#include "tests/fuzz/FuzzEngine.h"

LIRANO_FUZZ_PRIVATE_CONFIG

namespace {

using namespace fuzz;

// The user's methods as the settings tool lists them, from `file`.
std::map<std::wstring, KieuGoMap> Methods(const std::wstring& file, std::vector<std::wstring>& names)
{
    names = KieuGoUtils::LayTenCacKieuGo(file);
    std::map<std::wstring, KieuGoMap> tables;
    for (const std::wstring& name : names) {
        KieuGoMap table = KieuGoUtils::LayKieuGoFromFile(file, name);
        for (const auto& [key, f] : table) {
            f.ToString();
            if (!f.UseStringValue && !(f.ChucNangCoBan >= 0 && f.ChucNangCoBan < Enums::ChucNangPhimCoBan_Count))
                Fail("a key has no function");
        }
        tables.emplace(name, std::move(table)); // the first of two names wins
    }
    return tables;
}

// Saved as the settings tool saves them (KieuGoWindow::accept): a setting
// per key.
std::wstring Save(const std::map<std::wstring, KieuGoMap>& tables, const std::string& name)
{
    IniFile::Sections sections;
    for (const auto& [method, table] : tables) {
        IniFile::Settings& settings = sections[method];
        for (const auto& [key, f] : table)
            settings[std::wstring(1, key)] =
                f.UseStringValue ? f.StringValue : Enums::TenCacChucNangPhimCoBan[f.ChucNangCoBan];
    }
    const std::wstring path = Utils::ToWString(Path(name));
    if (!KieuGoUtils::IF.Write(path, sections)) Fail("the methods could not be written");
    return path;
}

// The dialect cannot keep everything a user may write (a value's spaces at
// its ends), so the first save may change the methods, never their names;
// from then on saving changes nothing, but for a value that ends in what
// reading drops at a line end (one carriage return each time, NULs).
void CheckMethods()
{
    std::vector<std::wstring> names, first, second;
    const auto read = Methods(KieuGoUtils::FileTuDinhNghia, names);
    const auto once = Methods(Save(read, "KieuGo.once.ini"), first);
    const auto twice = Methods(Save(once, "KieuGo.twice.ini"), second);
    if (std::set<std::wstring>(first.begin(), first.end()) != std::set<std::wstring>(names.begin(), names.end()))
        Fail("the saved methods have other names");
    if (std::set<std::wstring>(second.begin(), second.end()) != std::set<std::wstring>(first.begin(), first.end()))
        Fail("the methods saved again have other names");
    bool lineEnd = false;
    for (const auto& [name, table] : once)
        for (const auto& [key, f] : table)
            if (f.UseStringValue && !f.StringValue.empty() &&
                (f.StringValue.back() == L'\r' || f.StringValue.back() == L'\0'))
                lineEnd = true;
    if (!lineEnd && twice != once) Fail("saving the methods again changes them");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<std::wstring> builtInCharsets = BangMaUtils::TenCacBangMaCoSan;
    Input input(data, size);
    WriteFile(UserPath("KieuGo.ini"), input.Take(input.Word()));
    WriteFile(UserPath("BangMa.ini"), input.Take(input.Word()));
    const uint8_t from = input.Byte(), to = input.Byte(), options = input.Byte(), piece = input.Byte();

    CheckMethods();
    std::vector<std::wstring> methods = KieuGoUtils::LayTenCacKieuGoTuDinhNghia();
    if (methods.empty()) methods = KieuGoUtils::TenCacKieuGoCoSan;
    std::vector<std::wstring> charsets = BangMaUtils::LayTenTatCaBangMa();
    if (charsets.size() != builtInCharsets.size() + BangMaUtils::LayTenCacBangMaTuDinhNghia().size())
        Fail("the charsets are not the built-in ones and the user's");
    for (const std::wstring& name : charsets) BangMaUtils::LaBangMaUnicode(name);

    // Converted with the user's charsets, whole and in pieces.
    const LuaChon typingOptions = Options(input, methods, charsets);
    const std::string text = input.Rest();
    CChuyenMa cm;
    cm.BangMaNguon = charsets[from % charsets.size()];
    cm.BangMaDich = charsets[to % charsets.size()];
    cm.Flags = (ChuyenMaFlags)(options & 15);
    const TextForm in = options & 16 ? TextForm::Utf8 : TextForm::Bytes;
    const TextForm out = options & 32 ? TextForm::Utf8 : TextForm::Bytes;
    const Outcome whole = Whole(cm, text, in, out);
    Expect(Streamed(cm, text, in, out, {(size_t)piece % 7 + 1, (size_t)piece + 1}), whole,
           EarlierNoByteForm(cm, text, whole), "in pieces");

    // Typed with the user's method. A user's charset may encode the plain
    // keys an application types itself: then only harm is looked for.
    Typing typing(typingOptions);
    if (!Utils::Contains(builtInCharsets, typingOptions.BangMa)) typing.checkText = typing.host.Check = false;
    typing.Keys(text);
    return 0;
}
