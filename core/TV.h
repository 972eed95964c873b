#pragma once

#include <array>
#include <string>
#include <string_view>

// The tone: its index in the five-letter rows of the toned-vowel tables;
// -1 wherever a tone is stored and there is none.
enum DauThanh : int { Sac = 0, Huyen = 1, Hoi = 2, Nga = 3, Nang = 4 };

// The Vietnamese alphabet and the operations that add, find and remove one
// letter's tone or shape mark. The tables are constants, so static objects
// of other files may use them at any point of start-up.
class TV {
public:
    static constexpr std::wstring_view CacNADonKoCoDauThanh = L"aâăeêioôơuưy";
    static constexpr std::wstring_view CacNADonKoCoDauThanhHoa = L"AÂĂEÊIOÔƠUƯY";
    static constexpr std::wstring_view CacNADonCoDauThanh =
        L"áàảãạấầẩẫậắằẳẵặéèẻẽẹếềểễệíìỉĩịóòỏõọốồổỗộớờởỡợúùủũụứừửữựýỳỷỹỵ";
    static constexpr std::wstring_view CacNADonCoDauThanhHoa =
        L"ÁÀẢÃẠẤẦẨẪẬẮẰẲẴẶÉÈẺẼẸẾỀỂỄỆÍÌỈĨỊÓÒỎÕỌỐỒỔỖỘỚỜỞỠỢÚÙỦŨỤỨỪỬỮỰÝỲỶỸỴ";
    static constexpr std::wstring_view CacNATVCoDau = L"âăêôơư";
    static constexpr std::wstring_view CacNADon =
        L"aáàảãạâấầẩẫậăắằẳẵặeéèẻẽẹêếềểễệiíìỉĩịoóòỏõọôốồổỗộơớờởỡợuúùủũụưứừửữựyýỳỷỹỵ";
    static constexpr std::wstring_view CacNADonTV =
        L"áàảãạâấầẩẫậăắằẳẵặéèẻẽẹêếềểễệíìỉĩịóòỏõọôốồổỗộơớờởỡợúùủũụưứừửữựýỳỷỹỵ";
    static constexpr std::wstring_view CacNADonTVHoa =
        L"ÁÀẢÃẠÂẤẦẨẪẬĂẮẰẲẴẶÉÈẺẼẸÊẾỀỂỄỆÍÌỈĨỊÓÒỎÕỌÔỐỒỔỖỘƠỚỜỞỠỢÚÙỦŨỤƯỨỪỬỮỰÝỲỶỸỴ";
    static constexpr std::wstring_view CacKTTVCoDau = L"âăêôơưđ";
    static constexpr std::wstring_view CacKTTVCoDauHoa = L"ÂĂÊÔƠƯĐ";
    static constexpr std::wstring_view CacKTTVCoDau_BoDau = L"aaeooud";
    static constexpr std::wstring_view CacKTTVCoDauHoa_BoDau = L"AAEOOUD";
    static constexpr std::wstring_view CacKTCoDauVaDauThanh = L"ấầẩẫậắằẳẵặếềểễệốồổỗộớờởỡợứừửữự";
    static constexpr std::wstring_view CacKTCoDauVaDauThanhHoa = L"ẤẦẨẪẬẮẰẲẴẶẾỀỂỄỆỐỒỔỖỘỚỜỞỠỢỨỪỬỮỰ";
    static constexpr std::wstring_view CacKTCoDauVaDauThanh_BoDau = L"áàảãạáàảãạéèẻẽẹóòỏõọóòỏõọúùủũụ";
    static constexpr std::wstring_view CacKTCoDauVaDauThanhHoa_BoDau = L"ÁÀẢÃẠÁÀẢÃẠÉÈẺẼẸÓÒỎÕỌÓÒỎÕỌÚÙỦŨỤ";

    // Finals after which only the acute or the dot-below tone is possible.
    static constexpr std::array<std::wstring_view, 4> CacPACSac = {L"c", L"ch", L"p", L"t"};
    // Vowel groups that cannot end a syllable.
    static constexpr std::array<std::wstring_view, 10> CacNALung = {L"â",  L"ă",  L"iê", L"oă",  L"oo",
                                                                    L"uâ", L"uô", L"ươ", L"uyê", L"yê"};
    // Multi-letter vowel groups written without any shape mark.
    static constexpr std::array<std::wstring_view, 32> CacNAKoDau = {
        L"ai",  L"ao",  L"au",  L"ay", L"eo",  L"eu",  L"ia",  L"ie",  L"ieu", L"iu", L"oa",
        L"oai", L"oao", L"oay", L"oe", L"oeo", L"oi",  L"oo",  L"ua",  L"uay", L"ue", L"ui",
        L"uo",  L"uoi", L"uou", L"uu", L"uy",  L"uya", L"uye", L"uyu", L"ye",  L"yeu"};
    // Initials that standard Vietnamese does not use, and the standard one
    // each stands for.
    static constexpr std::array<std::wstring_view, 5> CacPADKhacThuongDung = {L"dz", L"z", L"f", L"j", L"w"};
    static constexpr std::array<std::wstring_view, 5> CacPADKhacTuongDuong = {L"d", L"d", L"ph", L"gi", L"qu"};

    static bool Initialized;
    static bool Initialize() { return true; }

    static int TimDauThanh(wchar_t c);
    static int TimVTDauThanh(const std::wstring& s);
    static int TimVTDau(const std::wstring& s);
    static bool LaNADonCoDau(wchar_t c);
    static bool LaNADon(wchar_t c);
    static bool LaNADonKoCoDauThanh(wchar_t c);
    static bool IsLowerVowel(wchar_t c);
    static bool LaPA(wchar_t c);
    static bool LaKTTV(wchar_t c);
    static bool CoKTTV(const std::wstring& s);
    static wchar_t ThemDauThanh(wchar_t c, DauThanh dt);
    static wchar_t XoaDauThanh(wchar_t c);
    static wchar_t XoaDau(wchar_t c);
    static wchar_t XoaDauKTCoDauVaDauThanh(wchar_t c);
    static wchar_t XoaDauVaDauThanh(wchar_t c);
    static std::wstring XoaDauVaDauThanh(const std::wstring& s);
    static std::wstring CheckCase(const std::wstring& model, const std::wstring& text);
    static bool LaPACuoiSac(const std::wstring& s);
    static bool LaNALung(const std::wstring& s);
    static bool LaNAKhongDau(const std::wstring& s);

    static std::wstring CacKTTV2();
    static std::wstring CacKTTV2Hoa();
    static std::wstring CacKTTV2_BoDau();
    static std::wstring CacKTTV2Hoa_BoDau();
};
