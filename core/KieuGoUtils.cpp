#include "core/KieuGoUtils.h"

#include <mutex>

#include "core/SettingUtils.h"
#include "core/StaticInit.h"
#include "core/Utils.h"

IniFile KieuGoUtils::IF LIRANO_TABLE_STORAGE;
std::wstring KieuGoUtils::FileKieuGo LIRANO_TABLE_STORAGE;
std::wstring KieuGoUtils::FileTuDinhNghia LIRANO_TABLE_STORAGE;
std::vector<std::wstring> KieuGoUtils::MoTaChucNangPhim LIRANO_TABLE_STORAGE;
std::vector<std::wstring> KieuGoUtils::TenCacKieuGoCoSan LIRANO_TABLE_STORAGE;
bool KieuGoUtils::Initialized = false;

namespace {
std::once_flag g_init;
LIRANO_FILL_AT_START_UP(KieuGoUtils::Initialized = KieuGoUtils::Initialize());
} // namespace

bool KieuGoUtils::Initialize()
{
    std::call_once(g_init, [] {
        std::map<int, std::wstring> mota = {
            {Enums::Thoat, L"Phím thoát : Bỏ qua phím chức năng kế tiếp"},
            {Enums::XoaDauThanh, L"Xóa dấu thanh đang có"},
            {Enums::DauSac, L"Dấu sắc"},
            {Enums::DauHuyen, L"Dấu huyền"},
            {Enums::DauHoi, L"Dấu hỏi"},
            {Enums::DauNga, L"Dấu ngã"},
            {Enums::DauNang, L"Dấu nặng"},
            {Enums::D_DD, L"Dấu gạch : D thành Đ"},
            {Enums::AEO_Mu, L"Dấu mũ : AEO thành ÂÊÔ"},
            {Enums::A_Mu, L"Dấu mũ : A thành Â"},
            {Enums::E_Mu, L"Dấu mũ : E thành Ê"},
            {Enums::O_Mu, L"Dấu mũ : O thành Ô"},
            {Enums::UOA_Moc, L"Dấu móc : UOA thành ƯƠĂ"},
            {Enums::UO_Moc, L"Dấu móc : UO thành ƯƠ"},
            {Enums::U_Moc, L"Dấu móc : U thành Ư"},
            {Enums::O_Moc, L"Dấu móc : O thành Ơ"},
            {Enums::A_Moc, L"Dấu móc : A thành Ă"},
            {Enums::UOA_Moc__UW, L"Dấu móc : UOA thành ƯƠĂ , hoặc tạo chữ Ư"},
            {Enums::__dd, L"Chữ đ"},
            {Enums::__aa, L"Chữ â"},
            {Enums::__aw, L"Chữ ă"},
            {Enums::__ee, L"Chữ ê"},
            {Enums::__oo, L"Chữ ô"},
            {Enums::__ow, L"Chữ ơ"},
            {Enums::__uw, L"Chữ ư"},
            {Enums::__uow, L"Chữ ươ"},
            {Enums::_DD, L"Chữ Đ"},
            {Enums::_AA, L"Chữ Â"},
            {Enums::_AW, L"Chữ Ă"},
            {Enums::_EE, L"Chữ Ê"},
            {Enums::_OO, L"Chữ Ô"},
            {Enums::_OW, L"Chữ Ơ"},
            {Enums::_UW, L"Chữ Ư"},
            {Enums::_UOW, L"Chữ ƯƠ"},
        };
        MoTaChucNangPhim.reserve(mota.size());
        for (auto& [value, text] : mota) MoTaChucNangPhim.push_back(text);

        std::wstring folder = Utils::GetExeFolder();
        FileKieuGo = folder + L"/" + L"Resources" + L"/" + L"KieuGo.ini";
        FileTuDinhNghia = SettingUtils::GenerateSettingFilePath(L"KieuGo.ini");
        TenCacKieuGoCoSan = IF.GetAllSections(FileKieuGo);
    });
    return true;
}

const std::vector<std::wstring>& KieuGoUtils::GetMoTaChucNangPhim()
{
    Initialize();
    return MoTaChucNangPhim;
}

std::vector<std::wstring> KieuGoUtils::LayTenCacKieuGo(const std::wstring& file)
{
    Initialize();
    return IF.GetAllSections(file);
}

std::vector<std::wstring> KieuGoUtils::LayTenCacKieuGoCoSan()
{
    Initialize();
    return LayTenCacKieuGo(FileKieuGo);
}

std::vector<std::wstring> KieuGoUtils::LayTenCacKieuGoTuDinhNghia()
{
    Initialize();
    if (!Utils::FileExists(FileTuDinhNghia)) return {};
    return LayTenCacKieuGo(FileTuDinhNghia);
}

std::vector<std::wstring> KieuGoUtils::LayTenTatCaKieuGo()
{
    Initialize();
    std::vector<std::wstring> r = TenCacKieuGoCoSan;
    for (std::wstring& n : LayTenCacKieuGoTuDinhNghia()) r.push_back(std::move(n));
    return r;
}

KieuGoMap KieuGoUtils::LayKieuGo(const std::map<std::wstring, std::wstring>& section)
{
    KieuGoMap r;
    for (const auto& [name, value] : section) {
        wchar_t key = name.empty() ? L'\0' : name[0];
        if (r.count(key)) continue; // the smallest name with this first character wins
        int f = Utils::IndexOf(Enums::TenCacChucNangPhimCoBan, value.c_str(), 0, Enums::ChucNangPhimCoBan_Count);
        if (f >= 0)
            r.emplace(key, ChucNangPhim((Enums::ChucNangPhimCoBan)f));
        else
            r.emplace(key, ChucNangPhim(value));
    }
    return r;
}

KieuGoMap KieuGoUtils::LayKieuGoFromFile(const std::wstring& file, const std::wstring& name)
{
    Initialize();
    return LayKieuGo(IF.Read(file, name));
}

KieuGoMap KieuGoUtils::LayKieuGoCoSan(const std::wstring& name)
{
    Initialize();
    return LayKieuGoFromFile(FileKieuGo, name);
}

KieuGoMap KieuGoUtils::LayKieuGo(const std::wstring& name)
{
    Initialize();
    if (Utils::Contains(TenCacKieuGoCoSan, name)) return LayKieuGoFromFile(FileKieuGo, name);
    if (Utils::Contains(LayTenCacKieuGoTuDinhNghia(), name)) return LayKieuGoFromFile(FileTuDinhNghia, name);
    return {};
}
