#pragma once

#include "ChucNangPhim.h"
#include "GhepVan.h"

class IInputMethodService;
class TuTiengViet;

// The engine driver: owns the syllable rules and holds the options that the
// word being typed reads.
class CBoGo {
public:
    IInputMethodService* Service;
    CGhepVan GhepVan;

    bool BoDauThanhKieu2 = false;
    bool KhoiPhucPhimVoiTuSai = true;
    bool DungTuDienDeKTChinhTa = false;
    bool GoCacTuTVLienTuc = false;
    bool GoTat = true;
    bool XuLyHoaThuongKhiGoTat = true;
    bool TuThemDauSac = false;
    bool SuaLoiChinhTaTuDon = false;

    explicit CBoGo(IInputMethodService* service = nullptr) : Service(service) {}

    // Applies one key function to a word; the word operation's result.
    static bool ApDungChucNang(TuTiengViet& word, const ChucNangPhim& f);
};
