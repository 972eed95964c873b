#include "core/Enums.h"

const wchar_t* const Enums::TenCacChucNangPhimCoBan[ChucNangPhimCoBan_Count] = {
    L"Thoat", L"XoaDauThanh", L"DauSac", L"DauHuyen", L"DauHoi", L"DauNga", L"DauNang", L"D_Đ",  L"AEO_ÂÊÔ",
    L"A_Â",   L"E_Ê",         L"O_Ô",    L"UOA_ƯƠĂ",  L"UO_ƯƠ",  L"U_Ư",    L"O_Ơ",     L"A_Ă",  L"UOA_ƯƠĂ__Ư",
    L"__đ",   L"__â",         L"__ă",    L"__ê",      L"__ô",    L"__ơ",    L"__ư",     L"__ươ", L"_Đ",
    L"_Â",    L"_Ă",          L"_Ê",     L"_Ô",       L"_Ơ",     L"_Ư",     L"_ƯƠ"};
