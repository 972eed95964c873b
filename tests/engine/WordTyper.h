#pragma once

#include <cwctype>
#include <memory>
#include <string>

#include "core/KieuGoUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/BoGo.h"
#include "engine/TuTiengViet.h"

// Feeds keys to one word as the driver does: the key's function, else an
// ordinary character, with the fall-back when a function does not apply.
// A key that ends words (not a letter or digit) starts afresh.
class WordTyper {
public:
    CBoGo& BoGo;
    KieuGoMap Method;
    std::unique_ptr<TuTiengViet> Word;
    bool LastResult = false;
    // The last key fell back to a plain character that ends the word.
    bool Ended = false;

    explicit WordTyper(CBoGo& boGo, const std::wstring& method = L"Telex 2")
        : BoGo(boGo), Method(KieuGoUtils::LayKieuGo(method))
    {
    }

    static bool IsAlnum(wchar_t c) { return Utils::IsAlpha(c) || (c >= L'0' && c <= L'9'); }

    void Key(wchar_t ch)
    {
        if (Ended) Word.reset();
        Ended = false;
        wchar_t key = Utils::ToLower(ch);
        auto it = Method.find(key);
        bool function = it != Method.end() && !(it->second.ChucNangCoBan == Enums::Thoat && !it->second.UseStringValue);
        if (!Word) {
            bool starts =
                it != Method.end() && (it->second.UseStringValue || it->second.ChucNangCoBan >= Enums::UOA_Moc__UW);
            if (!starts && !Utils::IsAlpha(ch)) return;
            Word = std::make_unique<TuTiengViet>(&BoGo);
            Word->ResetProperties();
            Word->BatDauXuLy(ch, key);
            LastResult = starts ? CBoGo::ApDungChucNang(*Word, it->second) : Word->XuLyKT();
        } else if (Word->KoPhaiTV()) {
            if (!IsAlnum(ch)) {
                Word.reset();
                return;
            }
            Word->ResetProperties();
            Word->ThemKT(ch, key);
            LastResult = false;
            return;
        } else {
            if (!function && !IsAlnum(ch)) {
                Word.reset();
                return;
            }
            Word->ResetProperties();
            Word->BatDauXuLy(ch, key);
            LastResult = function ? CBoGo::ApDungChucNang(*Word, it->second) : Word->XuLyKT();
        }
        if (Word->XuLyNhuKT) {
            if (IsAlnum(ch))
                LastResult = Word->XuLyKT();
            else
                Ended = true;
        }
    }

    std::wstring Type(const std::wstring& keys)
    {
        Word.reset();
        Ended = false;
        for (wchar_t c : keys) Key(c);
        return Text();
    }

    std::wstring Text() const { return Word ? Word->CacKT : std::wstring(); }
};
