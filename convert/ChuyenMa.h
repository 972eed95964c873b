#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/BangMaUtils.h"

// What to do to the text besides re-encoding it.
enum ChuyenMaFlags : uint32_t {
    ChuyenMaFlags_Normal = 0,
    ChuyenMaFlags_ToLower = 1,
    ChuyenMaFlags_ToUpper = 2, // ignored when ToLower is also set
    ChuyenMaFlags_XoaDau = 4,  // strip shape and tone marks, đ to d
    // When one encoded string stands for both cases of a letter (the toned
    // capitals of TCVN3), decode it as the capital.
    ChuyenMaFlags_PreferUpper = 8,
    ChuyenMaFlags_RemoveRichText = 16,
    ChuyenMaFlags_ModifyResult = 7, // the flags that change the text itself
};

constexpr ChuyenMaFlags operator|(ChuyenMaFlags a, ChuyenMaFlags b) { return ChuyenMaFlags((uint32_t)a | (uint32_t)b); }
constexpr ChuyenMaFlags operator&(ChuyenMaFlags a, ChuyenMaFlags b) { return ChuyenMaFlags((uint32_t)a & (uint32_t)b); }
constexpr ChuyenMaFlags operator~(ChuyenMaFlags a) { return ChuyenMaFlags(~(uint32_t)a); }
inline ChuyenMaFlags& operator|=(ChuyenMaFlags& a, ChuyenMaFlags b) { return a = a | b; }
inline ChuyenMaFlags& operator&=(ChuyenMaFlags& a, ChuyenMaFlags b) { return a = a & b; }

// What a long file conversion tells and how it is stopped; both may be left
// empty.
struct ChuyenMaFileWatch {
    // Source bytes converted so far, of `total` (the source's size), after
    // each block.
    std::function<void(uint64_t done, uint64_t total)> progress;
    // Set from any thread to stop the conversion at its next block.
    const std::atomic<bool>* cancel = nullptr;
};

// Re-encodes Vietnamese text between charsets and guesses the charset a
// text is written in. Tables come from BangMaUtils on every call; nothing
// is kept between calls. Text in a legacy charset is a wide string of that
// charset's code units (one character per byte for the 8-bit ones).
class CChuyenMa {
public:
    ChuyenMaFlags Flags = ChuyenMaFlags_Normal;
    bool AutoDetect = false;   // detect the source charset of a file first
    double TiLeChinhXac = 0.7; // share of dictionary words detection accepts
    std::wstring BangMaNguon = BangMaUtils::Unicode;
    std::wstring BangMaDich = BangMaUtils::Unicode;

    std::wstring Convert(const std::wstring& Source) const;
    // "Unicode" when the text as it stands reaches TiLeChinhXac; otherwise
    // the charset whose decoding scores best, or "Unicode" when none beats
    // the text as it stands.
    std::wstring DetectBangMa(const std::wstring& Source) const;

    // At each position the longest key that matches is replaced by its
    // value; characters that start no key pass through. Empty keys are
    // ignored (they would match everywhere without consuming anything).
    static std::wstring ConvertCore(const std::wstring& Source, const std::map<std::wstring, std::wstring>& BangMa);
    // Each character that the forward table lists is replaced by its form.
    static std::wstring ConvertFromUnicode(const std::wstring& Source, const BangMaMap& BangMa);
    // Share (0..1) of the words of Source that are dictionary syllables. A
    // word is a run of letters, with the combining marks that follow them.
    static double TinhTiLeTuTV(const std::wstring& Source);

    // Converts a file into another (or itself). Reads UTF-8, or one
    // character per byte when the file is not valid UTF-8 (a raw legacy
    // file); writes UTF-8 with a byte-order mark. With AutoDetect the
    // detected name is stored in BangMaNguon. Errors are thrown as
    // std::wstring messages; nothing is written then. False when
    // `watch.cancel` stopped it: the target is left as it was.
    bool ChuyenMaFile(const std::wstring& FileNguon, const std::wstring& FileDich, const ChuyenMaFileWatch& watch = {});

    // An HTML clipboard payload (UTF-8) with its fragment converted and its
    // offsets recomputed. Throws std::out_of_range for an offset beyond the
    // end of Source.
    std::string ConvertHtmlClipboard(const std::string& Source) const;
};
