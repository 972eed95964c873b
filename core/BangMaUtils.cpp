#include "core/BangMaUtils.h"

#include <mutex>

#include "core/SettingUtils.h"
#include "core/StaticInit.h"
#include "core/Utils.h"

IniFile BangMaUtils::IF LIRANO_TABLE_STORAGE;
std::wstring BangMaUtils::FileBangMa LIRANO_TABLE_STORAGE;
std::wstring BangMaUtils::FileTuDinhNghia LIRANO_TABLE_STORAGE;
std::vector<std::wstring> BangMaUtils::TenCacBangMaCoSan LIRANO_TABLE_STORAGE;
bool BangMaUtils::Initialized = false;

namespace {
std::once_flag g_init;
LIRANO_FILL_AT_START_UP(BangMaUtils::Initialized = BangMaUtils::Initialize());
} // namespace

bool BangMaUtils::Initialize()
{
    std::call_once(g_init, [] {
        std::wstring folder = Utils::GetExeFolder();
        FileBangMa = folder + L"/Resources/BangMa.ini";
        // The user's charsets are the user's files, as the typing methods.
        FileTuDinhNghia = SettingUtils::GenerateSettingFilePath(L"BangMa.ini");
        TenCacBangMaCoSan = LayTenCacBangMaCoSan();
    });
    return true;
}

std::vector<std::wstring> BangMaUtils::LayTenCacBangMa(const std::wstring& file) { return IF.GetAllSections(file); }

std::vector<std::wstring> BangMaUtils::LayTenCacBangMaCoSan()
{
    std::vector<std::wstring> r = {Unicode};
    for (std::wstring& n : LayTenCacBangMa(FileBangMa)) r.push_back(std::move(n));
    return r;
}

std::vector<std::wstring> BangMaUtils::LayTenCacBangMaTuDinhNghia()
{
    if (FileTuDinhNghia.empty() || !Utils::FileExists(FileTuDinhNghia)) return {};
    return LayTenCacBangMa(FileTuDinhNghia);
}

std::vector<std::wstring> BangMaUtils::LayTenTatCaBangMa()
{
    std::vector<std::wstring> r = TenCacBangMaCoSan;
    for (std::wstring& n : LayTenCacBangMaTuDinhNghia()) r.push_back(std::move(n));
    return r;
}

BangMaMap BangMaUtils::LayBangMa(const std::map<std::wstring, std::wstring>& section)
{
    BangMaMap r;
    for (const auto& [name, value] : section) r.emplace(name.empty() ? L'\0' : name[0], value);
    return r;
}

BangMaMap BangMaUtils::LayBangMaFromFile(const std::wstring& file, const std::wstring& name)
{
    return LayBangMa(IF.Read(file, name));
}

BangMaMap BangMaUtils::LayBangMaCoSan(const std::wstring& name) { return LayBangMaFromFile(FileBangMa, name); }

BangMaMap BangMaUtils::LayBangMa(const std::wstring& name)
{
    if (Utils::Contains(TenCacBangMaCoSan, name)) return LayBangMaFromFile(FileBangMa, name);
    if (Utils::Contains(LayTenCacBangMaTuDinhNghia(), name)) return LayBangMaFromFile(FileTuDinhNghia, name);
    return {};
}

bool BangMaUtils::LaBangMaUnicode(const BangMaMap& table)
{
    if (table.empty()) return true;
    for (const auto& [letter, encoded] : table)
        for (wchar_t c : encoded)
            if ((uint32_t)c >= 256) return true;
    return false;
}

bool BangMaUtils::LaBangMaUnicode(const std::wstring& name)
{
    return name == Unicode || LaBangMaUnicode(LayBangMa(name));
}

std::map<std::wstring, std::wstring> BangMaUtils::TaoBangMa(const BangMaMap& source, const BangMaMap& target,
                                                            bool PreferLower)
{
    std::map<std::wstring, std::wstring> r;
    for (const auto& [letter, s] : source) {
        auto t = target.find(letter);
        if (t == target.end()) continue;
        auto it = r.find(s);
        if (it == r.end())
            r.emplace(s, t->second);
        else if (PreferLower && Utils::IsLower(letter))
            it->second = t->second;
    }
    return r;
}

std::map<std::wstring, std::wstring> BangMaUtils::TaoBangMaNguoc(const BangMaMap& table, bool PreferLower)
{
    std::map<std::wstring, std::wstring> r;
    for (const auto& [letter, s] : table) {
        auto it = r.find(s);
        if (it == r.end())
            r.emplace(s, std::wstring(1, letter));
        else if (PreferLower && Utils::IsLower(letter))
            it->second = std::wstring(1, letter);
    }
    return r;
}
