#include "engine/TextHost.h"

#include "core/SettingUtils.h"
#include "core/Utils.h"

CTextHost::CTextHost() : TuDienTuGhepFile(SettingUtils::GetTuDienTuGhep()) {}

void CTextHost::BackspaceAndSendString(int count, const std::wstring& text)
{
    size_t n = std::min(Text.size(), (size_t)std::max(count, 0));
    Text.erase(Text.size() - n);
    Text += text;
}

bool CTextHost::InitTuDienTuGhep(bool withHashes)
{
    if (TDTG.Words.empty()) {
        if (!Utils::FileExists(TuDienTuGhepFile)) return false;
        TDTG.ReadTxtFile(TuDienTuGhepFile);
    }
    if (withHashes && TDTG.Hashes.empty()) TDTG.GenerateHashes();
    return !TDTG.Words.empty();
}

bool CTextHost::Key(wchar_t ch)
{
    bool consumed = ch == L' ' ? BoGo.KetThucTu(L' ') : BoGo.OnChar(ch);
    if (!consumed) Text += ch;
    return consumed;
}

bool CTextHost::BackspaceKey()
{
    // With nothing in the run the engine is not asked.
    if (BoGo.TatCaKT(false).empty()) {
        if (!Committed.empty()) Committed.pop_back();
        return false;
    }
    bool consumed = BoGo.Backspace();
    if (!consumed && !Text.empty()) Text.pop_back();
    return consumed;
}

void CTextHost::Commit()
{
    BoGo.KetThucTu(0);
    Committed += Text;
    Text.clear();
    BoGo.Clear();
}

void CTextHost::Insert(wchar_t ch)
{
    Commit();
    Committed += ch;
}
