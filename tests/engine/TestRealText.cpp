#include <gtest/gtest.h>

#include "core/TuDien.h"
#include "core/UtfConverter.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"
#include "tests/common/KeyStreams.h"

namespace {

std::string U8(const std::wstring& s) { return UtfConverter::ToUtf8(s); }

// A word with its tone where the chosen style puts it, case kept.
std::wstring Placed(const std::wstring& word, bool kieu2)
{
    return TV::CheckCase(word, keys::PlaceTone(Utils::ToLower(word), kieu2));
}

// The entries of Viet74K.txt whose every syllable is in the word dictionary.
const std::vector<std::wstring>& Entries()
{
    static const std::vector<std::wstring> all = [] {
        std::vector<std::wstring> r;
        for (const std::wstring& line :
             Utils::ReadAllLines(Utils::ToWString(LIRANO_DATA_DIR "/wordlists/Viet74K.txt"))) {
            if (line.empty()) continue;
            bool ok = true;
            size_t start = 0;
            while (ok && start <= line.size()) {
                size_t sp = line.find(L' ', start);
                std::wstring w = line.substr(start, sp == std::wstring::npos ? std::wstring::npos : sp - start);
                ok = !w.empty() && TuDien::CoTrongTuDien(keys::PlaceTone(Utils::ToLower(std::as_const(w)), false));
                for (wchar_t c : w) ok = ok && Utils::IsAlpha(c);
                if (sp == std::wstring::npos) break;
                start = sp + 1;
            }
            if (ok) r.push_back(line);
        }
        return r;
    }();
    return all;
}

void TypeAll(const std::wstring& method, bool kieu2)
{
    CTextHost host;
    LuaChon o;
    o.KieuGo = method;
    o.BoDauThanhKieu2 = kieu2;
    o.ApDung(host.BoGo);
    size_t good = 0;
    std::vector<std::string> wrong;
    for (const std::wstring& entry : Entries()) {
        std::wstring expected;
        size_t start = 0;
        while (start <= entry.size()) {
            size_t sp = entry.find(L' ', start);
            expected += Placed(entry.substr(start, sp == std::wstring::npos ? std::wstring::npos : sp - start), kieu2);
            if (sp == std::wstring::npos) break;
            expected += L' ';
            start = sp + 1;
        }
        std::wstring k = keys::Text(entry, method);
        host.Committed.clear();
        for (wchar_t c : k) host.Key(c);
        host.Commit();
        if (host.Committed == expected)
            ++good;
        else
            wrong.push_back(U8(k) + " -> " + U8(host.Committed) + " (expected " + U8(expected) + ")");
    }
    std::cout << U8(method) << (kieu2 ? " (second style)" : "") << ": " << good << " of " << Entries().size()
              << " entries typed exactly\n";
    for (size_t i = 0; i < wrong.size() && i < 30; ++i) ADD_FAILURE() << wrong[i];
    EXPECT_EQ(good, Entries().size());
}

} // namespace

TEST(RealText, EntriesAcceptedByTheDictionariesTypeExactly)
{
    ASSERT_GT(Entries().size(), 60000u);
    for (const wchar_t* method : {L"Telex 2", L"VNI", L"VIQR"})
        for (bool kieu2 : {false, true}) TypeAll(method, kieu2);
}
