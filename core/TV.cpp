#include "core/TV.h"

#include "core/Utils.h"

bool TV::Initialized = TV::Initialize();

namespace {

constexpr std::wstring_view kKTTV2 = L"áàảãạâấầẩẫậăắằẳẵặéèẻẽẹêếềểễệíìỉĩịóòỏõọôốồổỗộơớờởỡợúùủũụưứừửữựýỳỷỹỵđ";
constexpr std::wstring_view kKTTV2Hoa = L"ÁÀẢÃẠÂẤẦẨẪẬĂẮẰẲẴẶÉÈẺẼẸÊẾỀỂỄỆÍÌỈĨỊÓÒỎÕỌÔỐỒỔỖỘƠỚỜỞỠỢÚÙỦŨỤƯỨỪỬỮỰÝỲỶỸỴĐ";
constexpr std::wstring_view kKTTV2_BoDau = L"aaaaaaaaaaaaaaaaaeeeeeeeeeeeiiiiiooooooooooooooooouuuuuuuuuuuyyyyyd";
constexpr std::wstring_view kKTTV2Hoa_BoDau = L"AAAAAAAAAAAAAAAAAEEEEEEEEEEEIIIIIOOOOOOOOOOOOOOOOOUUUUUUUUUUUYYYYYD";

static_assert(kKTTV2.size() == 67 && kKTTV2Hoa.size() == 67 && kKTTV2_BoDau.size() == 67 &&
              kKTTV2Hoa_BoDau.size() == 67);
static_assert(TV::CacNADonCoDauThanh.size() == 60 && TV::CacNADonCoDauThanhHoa.size() == 60);
static_assert(TV::CacNADon.size() == 72 && TV::CacNADonTV.size() == 66 && TV::CacNADonTVHoa.size() == 66);
static_assert(TV::CacKTCoDauVaDauThanh.size() == 30 && TV::CacKTCoDauVaDauThanh_BoDau.size() == 30);

inline size_t find(std::wstring_view table, wchar_t c) { return table.find(c); }
constexpr size_t npos = std::wstring_view::npos;

template <size_t N> bool equalsAny(const std::array<std::wstring_view, N>& a, const std::wstring& s)
{
    for (std::wstring_view e : a)
        if (e == s) return true;
    return false;
}

} // namespace

int TV::TimDauThanh(wchar_t c)
{
    size_t p = find(CacNADonCoDauThanh, Utils::ToLower(c));
    return p == npos ? -1 : (int)(p % 5);
}

int TV::TimVTDauThanh(const std::wstring& s)
{
    for (size_t i = s.size(); i-- > 0;)
        if (find(CacNADonCoDauThanh, s[i]) != npos) return (int)i;
    return -1;
}

int TV::TimVTDau(const std::wstring& s)
{
    for (size_t i = s.size(); i-- > 0;)
        if (find(CacKTTVCoDau, s[i]) != npos) return (int)i;
    return -1;
}

bool TV::LaNADonCoDau(wchar_t c) { return find(CacNATVCoDau, c) != npos; }

bool TV::LaNADon(wchar_t c) { return find(CacNADon, c) != npos; }

bool TV::LaNADonKoCoDauThanh(wchar_t c)
{
    return find(CacNADonKoCoDauThanh, c) != npos || find(CacNADonKoCoDauThanhHoa, c) != npos;
}

bool TV::IsLowerVowel(wchar_t c)
{
    static const std::wstring s = L"aeiouy";
    return s.find(c) != std::wstring::npos;
}

bool TV::LaPA(wchar_t c)
{
    static const std::wstring CacPA = L"bcdđfghjklmnpqrstvwxz";
    return CacPA.find(Utils::ToLower(c)) != std::wstring::npos;
}

bool TV::LaKTTV(wchar_t c) { return find(kKTTV2, c) != npos || find(kKTTV2Hoa, c) != npos; }

bool TV::CoKTTV(const std::wstring& s)
{
    for (wchar_t c : s)
        if (LaKTTV(c)) return true;
    return false;
}

wchar_t TV::ThemDauThanh(wchar_t c, DauThanh dt)
{
    if (dt < 0 || dt > 4) return 0;
    size_t i = find(CacNADonKoCoDauThanh, c);
    if (i != npos) return CacNADonCoDauThanh[5 * i + dt];
    i = find(CacNADonKoCoDauThanhHoa, c);
    if (i != npos) return CacNADonCoDauThanhHoa[5 * i + dt];
    return 0;
}

wchar_t TV::XoaDauThanh(wchar_t c)
{
    size_t p = find(CacNADonCoDauThanh, c);
    if (p != npos) return CacNADonKoCoDauThanh[p / 5];
    p = find(CacNADonCoDauThanhHoa, c);
    if (p != npos) return CacNADonKoCoDauThanhHoa[p / 5];
    return c;
}

wchar_t TV::XoaDau(wchar_t c)
{
    size_t p = find(CacKTTVCoDau, c);
    if (p != npos) return CacKTTVCoDau_BoDau[p];
    p = find(CacKTTVCoDauHoa, c);
    if (p != npos) return CacKTTVCoDauHoa_BoDau[p];
    return c;
}

wchar_t TV::XoaDauKTCoDauVaDauThanh(wchar_t c)
{
    size_t p = find(CacKTCoDauVaDauThanh, c);
    if (p != npos) return CacKTCoDauVaDauThanh_BoDau[p];
    p = find(CacKTCoDauVaDauThanhHoa, c);
    if (p != npos) return CacKTCoDauVaDauThanhHoa_BoDau[p];
    return 0;
}

wchar_t TV::XoaDauVaDauThanh(wchar_t c)
{
    if (c < 128) return c; // fast path: ASCII carries no mark
    size_t p = find(kKTTV2, c);
    if (p != npos) return kKTTV2_BoDau[p];
    p = find(kKTTV2Hoa, c);
    if (p != npos) return kKTTV2Hoa_BoDau[p];
    return c;
}

std::wstring TV::XoaDauVaDauThanh(const std::wstring& s)
{
    std::wstring r = s;
    for (wchar_t& c : r) c = XoaDauVaDauThanh(c);
    return r;
}

std::wstring TV::CheckCase(const std::wstring& model, const std::wstring& text)
{
    std::wstring r = text;
    size_t n = std::min(model.size(), text.size());
    for (size_t i = 0; i < n; ++i)
        if (Utils::IsUpper(model[i])) r[i] = Utils::ToUpper(text[i]);
    return r;
}

bool TV::LaPACuoiSac(const std::wstring& s) { return equalsAny(CacPACSac, s); }

bool TV::LaNALung(const std::wstring& s) { return equalsAny(CacNALung, s); }

bool TV::LaNAKhongDau(const std::wstring& s) { return equalsAny(CacNAKoDau, s); }

std::wstring TV::CacKTTV2() { return std::wstring(kKTTV2); }
std::wstring TV::CacKTTV2Hoa() { return std::wstring(kKTTV2Hoa); }
std::wstring TV::CacKTTV2_BoDau() { return std::wstring(kKTTV2_BoDau); }
std::wstring TV::CacKTTV2Hoa_BoDau() { return std::wstring(kKTTV2Hoa_BoDau); }
