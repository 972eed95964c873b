#pragma once

#include <string>

#include "core/TV.h"
#include "core/Utils.h"
#include "engine/TuTiengViet.h"

// The structure a word keeps after every key; "" when it holds, else what
// broke. Checked by the random-key tests and the engine fuzz target.
inline std::string BrokenInvariant(const TuTiengViet& w)
{
    const int len = (int)w.CacKT.size();
    if (w.CacKTThuong.size() != w.CacKT.size()) return "CacKTThuong length";
    if (Utils::ToLower(w.CacKT) != w.CacKTThuong) return "CacKTThuong is not the lower case of CacKT";
    if (w.CD0TV == 0 && w.CDPAD + w.CDNA + w.CDPAC != len) return "parts do not add up to the length";
    if (w.CD0TV < 0 || w.CDPAD < 0 || w.CDNA < 0 || w.CDPAC < 0) return "negative length";
    if (w.CDNA > 3) return "more than three vowels";
    bool d = w.DT != -1, v = w.VTDT != -1, k = w.KTCoDT != 0;
    if (d != v || v != k) return "tone triple set or cleared apart";
    const int viet = len - w.CD0TV;
    int toned = 0;
    for (int i = 0; i < viet && i < len; ++i)
        if (TV::TimDauThanh(w.CacKTThuong[i]) >= 0) ++toned;
    if (toned > 1) return "more than one tone";
    if (v) {
        if (w.VTDT >= len) return "tone beyond the word";
        if (w.CacKTThuong[w.VTDT] != TV::ThemDauThanh(w.KTCoDT, w.DT)) return "toned letter disagrees with the tone";
        if (w.CD0TV == 0 && (w.VTDT < w.CDPAD || w.VTDT >= w.CDPAD + w.CDNA)) return "tone outside the vowel group";
        if (w.CD0TV == 0 && w.VTDau >= 0 && w.VTDau != w.VTDT) return "tone and shape mark on different letters";
    } else if (toned != 0 && w.CD0TV == 0) {
        return "a toned letter without a tone";
    }
    if (w.VTDau >= len) return "shape mark beyond the word";
    return "";
}
