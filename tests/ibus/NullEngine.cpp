// lirano-null-engine: IBus engines that do (almost) nothing. It registers the
// component "LiranoNull" on the bus named by the environment, with two
// engines:
//   LiranoNull     answers every key event with "not consumed";
//   LiranoPreedit  the least a pre-edit engine does: appends each printable
//                  key to its pre-edit, commits it with the space, commits it
//                  before any other key it passes on, and passes every key in
//                  a password field.
// The tests use them to prove the harness on its own and to tell an
// application's own faults from the engine's; the round-trip benchmark to
// measure what the daemon and a pre-edit cost by themselves.
//
//   lirano-null-engine          connect, register, run until the bus goes
//   lirano-null-engine --xml    print the engine description and exit
#include <ibus.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef struct {
    IBusEngine parent;
} NullEngine;

typedef struct {
    IBusEngineClass parent;
} NullEngineClass;

gboolean ProcessKeyEvent(IBusEngine*, guint, guint, guint) { return FALSE; }

void ClassInit(gpointer klass, gpointer) { IBUS_ENGINE_CLASS(klass)->process_key_event = ProcessKeyEvent; }

void InstanceInit(GTypeInstance*, gpointer) {}

GType NullEngineType()
{
    static GType type = 0;
    static const GTypeInfo info = {sizeof(NullEngineClass), nullptr, nullptr,      ClassInit, nullptr, nullptr,
                                   sizeof(NullEngine),      0,       InstanceInit, nullptr};
    if (type == 0) type = g_type_register_static(IBUS_TYPE_ENGINE, "LiranoNullEngine", &info, (GTypeFlags)0);
    return type;
}

typedef struct {
    IBusEngine parent;
    std::string* text;
    gboolean secret;
} PreeditEngine;

IBusEngineClass* preeditParent = nullptr;

void ShowPreedit(IBusEngine* engine, const std::string& text)
{
    if (text.empty()) {
        ibus_engine_hide_preedit_text(engine);
        return;
    }
    // Commit-on-reset, as a real engine does: a click or a focus change
    // makes IBus or the client commit what is shown.
    IBusText* t = ibus_text_new_from_string(text.c_str());
    ibus_engine_update_preedit_text_with_mode(engine, t, (guint)g_utf8_strlen(text.c_str(), -1), TRUE,
                                              IBUS_ENGINE_PREEDIT_COMMIT);
}

void CommitPreedit(IBusEngine* engine, std::string& text)
{
    if (text.empty()) return;
    ibus_engine_hide_preedit_text(engine);
    ibus_engine_commit_text(engine, ibus_text_new_from_string(text.c_str()));
    text.clear();
}

gboolean PreeditKey(IBusEngine* engine, guint keyval, guint, guint state)
{
    PreeditEngine* e = (PreeditEngine*)engine;
    std::string& text = *e->text;
    if ((state & IBUS_RELEASE_MASK) || e->secret) return FALSE;
    const bool chord = state & (IBUS_CONTROL_MASK | IBUS_MOD1_MASK | IBUS_SUPER_MASK);
    if (!chord && keyval > 0x20 && keyval < 0x7f) {
        text += (char)keyval;
        ShowPreedit(engine, text);
        return TRUE;
    }
    if (!chord && keyval == ' ' && !text.empty()) {
        text += ' ';
        CommitPreedit(engine, text);
        return TRUE;
    }
    if (!chord && keyval == IBUS_KEY_BackSpace && !text.empty()) {
        text.pop_back();
        ShowPreedit(engine, text);
        return TRUE;
    }
    CommitPreedit(engine, text);
    return FALSE;
}

// IBus commits the pre-edit shown (commit mode): the engine only forgets it.
void PreeditForget(IBusEngine* engine) { ((PreeditEngine*)engine)->text->clear(); }

void PreeditContentType(IBusEngine* engine, guint purpose, guint)
{
    PreeditEngine* e = (PreeditEngine*)engine;
    e->secret = purpose == IBUS_INPUT_PURPOSE_PASSWORD || purpose == IBUS_INPUT_PURPOSE_PIN;
    if (e->secret) CommitPreedit(engine, *e->text);
}

void PreeditDestroy(IBusObject* object)
{
    PreeditEngine* e = (PreeditEngine*)object;
    delete e->text;
    e->text = nullptr;
    IBUS_OBJECT_CLASS(preeditParent)->destroy(object);
}

void PreeditClassInit(gpointer klass, gpointer)
{
    preeditParent = (IBusEngineClass*)g_type_class_peek_parent(klass);
    IBUS_OBJECT_CLASS(klass)->destroy = PreeditDestroy;
    IBusEngineClass* e = IBUS_ENGINE_CLASS(klass);
    e->process_key_event = PreeditKey;
    e->focus_out = PreeditForget;
    e->reset = PreeditForget;
    e->set_content_type = PreeditContentType;
}

void PreeditInit(GTypeInstance* instance, gpointer)
{
    ((PreeditEngine*)instance)->text = new std::string;
    ((PreeditEngine*)instance)->secret = FALSE;
}

GType PreeditEngineType()
{
    static GType type = 0;
    static const GTypeInfo info = {sizeof(NullEngineClass), nullptr, nullptr,     PreeditClassInit, nullptr, nullptr,
                                   sizeof(PreeditEngine),   0,       PreeditInit, nullptr};
    if (type == 0) type = g_type_register_static(IBUS_TYPE_ENGINE, "LiranoPreeditEngine", &info, (GTypeFlags)0);
    return type;
}

IBusComponent* Component()
{
    IBusComponent* component = ibus_component_new("LiranoNull", "Lirano test engine that takes no key", "1.0",
                                                  "GPL-2.0-or-later", "Lirano developers", "", "", "lirano");
    ibus_component_add_engine(component, ibus_engine_desc_new("LiranoNull", "LiranoNull", "Takes no key", "vi",
                                                              "GPL-2.0-or-later", "Lirano developers", "", "us"));
    ibus_component_add_engine(component,
                              ibus_engine_desc_new("LiranoPreedit", "LiranoPreedit", "Shows keys as pre-edit", "vi",
                                                   "GPL-2.0-or-later", "Lirano developers", "", "us"));
    return component;
}

IBusFactory* factory = nullptr;

void Register(IBusBus* bus, gpointer)
{
    static bool done = false;
    if (done) return;
    done = true;
    factory = ibus_factory_new(ibus_bus_get_connection(bus));
    g_object_ref_sink(factory);
    ibus_factory_add_engine(factory, "LiranoNull", NullEngineType());
    ibus_factory_add_engine(factory, "LiranoPreedit", PreeditEngineType());
    IBusComponent* component = Component();
    ibus_bus_register_component(bus, component);
    g_object_unref(component);
}

void Disconnected(IBusBus*, gpointer) { ibus_quit(); }

} // namespace

int main(int argc, char** argv)
{
    ibus_init();
    if (argc == 2 && std::strcmp(argv[1], "--xml") == 0) {
        IBusComponent* component = Component();
        GString* out = g_string_new("");
        ibus_component_output_engines(component, out, 0);
        std::fputs(out->str, stdout);
        g_string_free(out, TRUE);
        g_object_unref(component);
        return 0;
    }
    IBusBus* bus = ibus_bus_new();
    g_object_ref_sink(bus);
    g_signal_connect(bus, "disconnected", G_CALLBACK(Disconnected), nullptr);
    if (ibus_bus_is_connected(bus))
        Register(bus, nullptr);
    else
        g_signal_connect(bus, "connected", G_CALLBACK(Register), nullptr);
    ibus_main();
    return 0;
}
