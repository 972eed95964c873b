#include "core/ChucNangPhim.h"

#include "core/KieuGoUtils.h"

std::wstring ChucNangPhim::ToString() const
{
    if (UseStringValue) return StringValue;
    const std::vector<std::wstring>& mota = KieuGoUtils::GetMoTaChucNangPhim();
    if (ChucNangCoBan < 0 || (size_t)ChucNangCoBan >= mota.size()) return std::wstring();
    return mota[ChucNangCoBan];
}
