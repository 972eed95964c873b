#include "SettingUtils.h"

#include "Utils.h"

std::wstring SettingUtils::GenerateSettingFilePath(const std::wstring& name)
{
    return Utils::GetExeFolder() + L"/" + name;
}

std::wstring SettingUtils::GenerateResourceFilePath(const std::wstring& name)
{
    return Utils::GetExeFolder() + L"/" + L"Resources" + L"/" + name;
}
