#include "ibus/IBusPanel.h"

#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/SettingsTool.h"
#include "ibus/IBusEngine.h"
#include "ibus/LiranoIBusApp.h"

namespace {

// The list it is appended to takes a reference of its own; ours goes with
// the holder.
GObjectPtr<IBusProperty> Prop(const std::string& key, IBusPropType type, const std::string& label, const char* icon,
                              const char* tooltip, unsigned state, IBusPropList* sub)
{
    IBusProperty* p = ibus_property_new(key.c_str(), type, ibus_text_new_from_string(label.c_str()), icon,
                                        ibus_text_new_from_string(tooltip), TRUE, TRUE, (IBusPropState)state, sub);
    return GObjectPtr<IBusProperty>::AdoptFloating(p);
}

GObjectPtr<IBusPropList> List(const char* prefix, const std::vector<std::wstring>& names, const std::wstring& current)
{
    auto list = GObjectPtr<IBusPropList>::AdoptFloating(ibus_prop_list_new());
    for (const std::wstring& n : names) {
        std::string name = UtfConverter::ToUtf8(n);
        ibus_prop_list_append(list, Prop(prefix + name, PROP_TYPE_RADIO, name, "", "", n == current ? 1 : 0, nullptr));
    }
    return list;
}

const char* const ModeTooltip = "Tiếng Việt (V) hay English (E): bấm để đổi";

std::string ModeLabel(bool english) { return english ? "E" : "V"; }

} // namespace

void IBusPanel::Init()
{
    if (initialised) return;
    initialised = true;
    CInputMethodService& ime = theApp.Service;
    kieuGoList = List("KieuGo-", KieuGoUtils::LayTenTatCaKieuGo(), ime.kieuGoName);
    bangMaList = List("BangMa-", BangMaUtils::LayTenTatCaBangMa(), ime.bangMaName);
    toolsList = GObjectPtr<IBusPropList>::AdoptFloating(ibus_prop_list_new());
    ibus_prop_list_append(toolsList, Prop("ChuyenMa", PROP_TYPE_RADIO, "Chuyển mã", "", "", 0, nullptr));
    ibus_prop_list_append(toolsList, Prop("GoTat", PROP_TYPE_RADIO, "Gõ tắt", "", "", 0, nullptr));
    ibus_prop_list_append(toolsList, Prop("MainWindow", PROP_TYPE_RADIO, "Hiện cửa sổ lựa chọn", "", "", 0, nullptr));
    mainList = GObjectPtr<IBusPropList>::AdoptFloating(ibus_prop_list_new());
    ibus_prop_list_append(mainList, Prop("KieuGo", PROP_TYPE_MENU, UtfConverter::ToUtf8(ime.kieuGoName), "",
                                         "Chọn kiểu gõ", 0, kieuGoList));
    ibus_prop_list_append(mainList, Prop("BangMa", PROP_TYPE_MENU, UtfConverter::ToUtf8(ime.bangMaName), "",
                                         "Chọn bảng mã", 0, bangMaList));
    ibus_prop_list_append(mainList, Prop("More", PROP_TYPE_MENU, "More", "gtk-preferences", "More", 0, toolsList));
    ibus_prop_list_append(mainList,
                          Prop("Mode", PROP_TYPE_NORMAL, ModeLabel(ime.english), "", ModeTooltip, 0, nullptr));
}

void IBusPanel::menu_item_activate(IBusPropList* mainList, IBusPropList* subList, const char* mainKey,
                                   const char* selectedKey, const std::string& label)
{
    if (!mainList || !subList) return;
    for (guint i = 0;; ++i) {
        IBusProperty* p = ibus_prop_list_get(mainList, i);
        if (!p) break;
        if (g_strcmp0(ibus_property_get_key(p), mainKey) == 0) {
            ibus_property_set_label(p, ibus_text_new_from_string(label.c_str()));
            break;
        }
    }
    for (guint i = 0;; ++i) {
        IBusProperty* p = ibus_prop_list_get(subList, i);
        if (!p) break;
        ibus_property_set_state(p, g_strcmp0(ibus_property_get_key(p), selectedKey) == 0 ? PROP_STATE_CHECKED
                                                                                         : PROP_STATE_UNCHECKED);
    }
}

void IBusPanel::PropertyActivate(IBusEngine* e, const char* prop_name, unsigned)
{
    if (!prop_name) return;
    CInputMethodService& ime = theApp.Service;
    std::string key = prop_name;
    if (key.rfind("KieuGo-", 0) == 0) {
        std::string name = key.substr(7);
        ime.KieuGo(UtfConverter::FromUtf8(name));
        menu_item_activate(mainList, kieuGoList, "KieuGo", prop_name, name);
        if (e) ibus_engine_register_properties(e, mainList);
        theApp.SaveSettings();
    } else if (key.rfind("BangMa-", 0) == 0) {
        std::string name = key.substr(7);
        ime.BangMa(UtfConverter::FromUtf8(name));
        menu_item_activate(mainList, bangMaList, "BangMa", prop_name, name);
        if (e) ibus_engine_register_properties(e, mainList);
        theApp.SaveSettings();
    } else if (key == "Mode") {
        ime.SwitchMode(); // the service's modeChanged shows the new mode
    } else if (key == "ChuyenMa") {
        StartTool(ChuyenMa, nullptr);
    } else if (key == "GoTat") {
        StartTool(GoTat, [] { theApp.LoadGoTat(); });
    } else if (key == "MainWindow") {
        StartTool(MainWindow, [] {
            theApp.LoadSettings();
            theApp.Panel.Refresh();
        });
    }
}

void IBusPanel::Refresh()
{
    CInputMethodService& ime = theApp.Service;
    std::string k = UtfConverter::ToUtf8(ime.kieuGoName), b = UtfConverter::ToUtf8(ime.bangMaName);
    menu_item_activate(mainList, kieuGoList, "KieuGo", ("KieuGo-" + k).c_str(), k);
    menu_item_activate(mainList, bangMaList, "BangMa", ("BangMa-" + b).c_str(), b);
    if (!mainList) return;
    for (guint i = 0;; ++i) {
        IBusProperty* p = ibus_prop_list_get(mainList, i);
        if (!p) break;
        if (g_strcmp0(ibus_property_get_key(p), "Mode") == 0)
            ibus_property_set_label(p, ibus_text_new_from_string(ModeLabel(ime.english).c_str()));
    }
    if (IBusEngine* e = engine ? engine : CInputMethodService::CIBus::Focused())
        ibus_engine_register_properties(e, mainList);
}

std::string IBusPanel::ToolCommand(const std::string& args) { return SettingsTool::Command(args); }

bool IBusPanel::ToolRunning(Tool tool) { return SettingsTool::Running((SettingsTool::Tool)tool); }

bool IBusPanel::StartTool(Tool tool, void (*after)())
{
    return SettingsTool::Start((SettingsTool::Tool)tool, after ? std::function<void()>(after) : nullptr);
}
