#include <cstdio>
#include <iostream>

#include "cli/Commands.h"
#include "core/BangMaUtils.h"
#include "core/KieuGoUtils.h"
#include "core/SettingUtils.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/LuaChon.h"
#include "engine/TextHost.h"

namespace {

int PrintList(const std::vector<std::wstring>& names)
{
    for (const std::wstring& n : names) std::printf("%s\n", UtfConverter::ToUtf8(n).c_str());
    return 0;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "lirano type: %s\n", message.c_str());
    return 2;
}

// 8-bit charsets are written as their bytes, Unicode forms as UTF-8.
std::string Output(const std::wstring& text, bool unicode)
{
    if (unicode) return UtfConverter::ToUtf8(text);
    std::string bytes;
    for (wchar_t c : text) {
        if ((uint32_t)c < 256)
            bytes += (char)(unsigned char)c;
        else
            bytes += UtfConverter::ToUtf8(std::wstring(1, c));
    }
    return bytes;
}

// One run: keys 32-126 go to the engine; anything else is written as it is.
std::wstring TypeLine(CTextHost& host, const std::wstring& line)
{
    host.Committed.clear();
    for (wchar_t c : line) {
        if (c >= 32 && c <= 126)
            host.Key(c);
        else
            host.Insert(c);
    }
    host.Commit();
    return host.Committed;
}

} // namespace

int RunType(const std::vector<std::string>& args)
{
    LuaChon options = LuaChon::DocFile(SettingUtils::FileLuaChon());
    std::vector<std::string> words;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--method" || a == "--charset") {
            const std::string* v = value();
            if (!v) return Fail(a + " needs a name");
            (a == "--method" ? options.KieuGo : options.BangMa) = UtfConverter::FromUtf8(*v);
        } else if (a == "--option") {
            const std::string* v = value();
            size_t eq = v ? v->find('=') : std::string::npos;
            if (eq == std::string::npos) return Fail("--option needs KEY=VALUE");
            if (!options.Dat(UtfConverter::FromUtf8(v->substr(0, eq)), UtfConverter::FromUtf8(v->substr(eq + 1))))
                return Fail("unknown option or bad value: " + *v);
        } else if (a == "--") {
            words.insert(words.end(), args.begin() + (long)i + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return Fail("unknown argument " + a);
        } else {
            words.push_back(a);
        }
    }
    if (!Utils::Contains(KieuGoUtils::LayTenTatCaKieuGo(), options.KieuGo))
        return Fail("unknown typing method \"" + UtfConverter::ToUtf8(options.KieuGo) + "\" (see lirano methods)");
    if (!Utils::Contains(BangMaUtils::LayTenTatCaBangMa(), options.BangMa))
        return Fail("unknown charset \"" + UtfConverter::ToUtf8(options.BangMa) + "\" (see lirano charsets)");

    CTextHost host;
    options.ApDung(host.BoGo);
    host.BoGo.LoadGoTat(SettingUtils::FileGoTat());
    const bool unicode = BangMaUtils::LaBangMaUnicode(host.BoGo.BangMa);

    if (!words.empty()) {
        std::string text;
        for (size_t i = 0; i < words.size(); ++i) text += (i ? " " : "") + words[i];
        std::string out = Output(TypeLine(host, UtfConverter::FromUtf8(text)), unicode);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fputc('\n', stdout);
        return 0;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string out = Output(TypeLine(host, UtfConverter::FromUtf8(line)), unicode);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fputc('\n', stdout);
    }
    return 0;
}

int RunMethods(const std::vector<std::string>&) { return PrintList(KieuGoUtils::LayTenTatCaKieuGo()); }

int RunCharsets(const std::vector<std::string>&) { return PrintList(BangMaUtils::LayTenTatCaBangMa()); }
