#pragma once

#include <string>

#include "core/Enums.h"

// What one key of a typing method does: a basic function, or a literal text.
class ChucNangPhim {
public:
    Enums::ChucNangPhimCoBan ChucNangCoBan;
    std::wstring StringValue;
    bool UseStringValue;

    ChucNangPhim(Enums::ChucNangPhimCoBan f) : ChucNangCoBan(f), UseStringValue(false) {}
    ChucNangPhim(const std::wstring& s)
        : ChucNangCoBan((Enums::ChucNangPhimCoBan)-1), StringValue(s), UseStringValue(true)
    {
    }
    ChucNangPhim(const ChucNangPhim&) = default;
    ChucNangPhim& operator=(const ChucNangPhim&) = default;

    // The literal text, or the function's Vietnamese description.
    std::wstring ToString() const;

    bool operator==(const ChucNangPhim& o) const
    {
        return UseStringValue == o.UseStringValue &&
               (UseStringValue ? StringValue == o.StringValue : ChucNangCoBan == o.ChucNangCoBan);
    }
};
