#include "BoGo.h"

#include "TuTiengViet.h"

bool CBoGo::ApDungChucNang(TuTiengViet& word, const ChucNangPhim& f)
{
    if (f.UseStringValue) return word.GoTat(f.StringValue);
    static const wchar_t* const chu[] = {L"đ", L"â", L"ă", L"ê", L"ô", L"ơ", L"ư", L"ươ",
                                         L"Đ", L"Â", L"Ă", L"Ê", L"Ô", L"Ơ", L"Ư", L"ƯƠ"};
    switch (f.ChucNangCoBan) {
    case Enums::Thoat: return false;
    case Enums::XoaDauThanh: return word.XoaDauThanh();
    case Enums::DauSac:
    case Enums::DauHuyen:
    case Enums::DauHoi:
    case Enums::DauNga:
    case Enums::DauNang: return word.XuLyDauThanh((DauThanh)(f.ChucNangCoBan - 2));
    case Enums::D_DD: return word.D_DD();
    case Enums::AEO_Mu: return word.AEO_Mu();
    case Enums::A_Mu: return word.A_Mu();
    case Enums::E_Mu: return word.E_Mu();
    case Enums::O_Mu: return word.O_Mu();
    case Enums::UOA_Moc: return word.UOA_Moc();
    case Enums::UO_Moc: return word.UO_Moc();
    case Enums::U_Moc: return word.U_Moc();
    case Enums::O_Moc: return word.O_Moc();
    case Enums::A_Moc: return word.A_Moc();
    case Enums::UOA_Moc__UW: return word.UOA_Moc__UW();
    default:
        if (f.ChucNangCoBan >= Enums::__dd && f.ChucNangCoBan <= Enums::_UOW)
            return word.GoTat(chu[f.ChucNangCoBan - Enums::__dd]);
        return false;
    }
}
