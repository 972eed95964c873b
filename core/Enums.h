#pragma once

#include <cstdint>

class Enums {
public:
    // What a key can do while a word is typed. The key names that the
    // typing-method files store are in TenCacChucNangPhimCoBan.
    enum ChucNangPhimCoBan : int32_t {
        Thoat = 0,
        XoaDauThanh = 1,
        DauSac = 2,
        DauHuyen = 3,
        DauHoi = 4,
        DauNga = 5,
        DauNang = 6,
        D_DD = 7,
        AEO_Mu = 8,
        A_Mu = 9,
        E_Mu = 10,
        O_Mu = 11,
        UOA_Moc = 12,
        UO_Moc = 13,
        U_Moc = 14,
        O_Moc = 15,
        A_Moc = 16,
        UOA_Moc__UW = 17,
        __dd = 18,
        __aa = 19,
        __aw = 20,
        __ee = 21,
        __oo = 22,
        __ow = 23,
        __uw = 24,
        __uow = 25,
        _DD = 26,
        _AA = 27,
        _AW = 28,
        _EE = 29,
        _OO = 30,
        _OW = 31,
        _UW = 32,
        _UOW = 33,
        ChucNangPhimCoBan_Count = 34
    };

    static const wchar_t* const TenCacChucNangPhimCoBan[ChucNangPhimCoBan_Count];
};
