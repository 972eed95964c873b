#include "ibus/LiranoIBusApp.h"

#include <cstring>

#include "core/BangMaUtils.h"
#include "core/IniFile.h"
#include "core/SettingUtils.h"
#include "core/Utils.h"
#include "engine/LuaChon.h"

LiranoIBusApp theApp;

int LiranoIBusApp::Start(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--xml") == 0) {
        CInputMethodService::CIBus::print_engines_xml();
        return 0;
    }
    LoadSettings();
    CInputMethodService::CIBus::Start(argc == 2 && std::strcmp(argv[1], "--ibus") == 0);
    return 0;
}

void LiranoIBusApp::LoadSettings()
{
    LuaChon o = LuaChon::DocFile(SettingUtils::FileLuaChon());
    CInputMethodService& s = Service;
    s.KieuGo(o.KieuGo);
    if (o.BangMa != s.bangMaName) {
        s.bangMaName = o.BangMa;
        s.boGo->SetBangMa(BangMaUtils::LayBangMa(o.BangMa));
    }
    o.ApDungBoGo(*s.boGo);
    s.NA_PAC_DacBiet(o.NA_PAC_DacBiet);
    s.SoLuongTuGoiY(o.SoLuongTuGoiY);
    s.Suggestion(o.Suggestion);
    s.suggestionUIHookUpDownKey = o.SuggestionUIHookUpDownKey;
    s.preEditDecorate = o.PreEditDecorate;
    s.enableMouseHook = o.EnableMouseHook;
    LoadGoTat();
}

void LiranoIBusApp::SaveSettings()
{
    IniFile ini;
    std::wstring path = SettingUtils::FileLuaChon();
    IniFile::Sections sections;
    if (Utils::FileExists(path)) sections = ini.Read(path);
    IniFile::Settings& s = sections[LuaChon::Section];
    s[L"KieuGo"] = Service.kieuGoName;
    s[L"BangMa"] = Service.bangMaName;
    const std::wstring file = SettingUtils::ForWriting(path);
    std::string error;
    if (!ini.Write(file, sections, &error)) SettingUtils::ReportCannotWrite(file, error);
}

void LiranoIBusApp::LoadGoTat() { Service.boGo->LoadGoTat(SettingUtils::FileGoTat()); }

void LiranoIBusApp::Test(const std::wstring& text, bool verbose)
{
    LoadSettings();
    Service.Test(text, verbose);
}
