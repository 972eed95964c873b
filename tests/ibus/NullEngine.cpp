// lirano-null-engine: an IBus engine that takes no key. It registers the
// component "LiranoNull" with one engine "LiranoNull" on the bus named by the
// environment and answers every key event with "not consumed". The tests use
// it to prove the harness on its own, and the round-trip benchmark to measure
// what the daemon costs by itself.
//
//   lirano-null-engine          connect, register, run until the bus goes
//   lirano-null-engine --xml    print the engine description and exit
#include <ibus.h>

#include <cstdio>
#include <cstring>

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

IBusComponent* Component()
{
    IBusComponent* component = ibus_component_new("LiranoNull", "Lirano test engine that takes no key", "1.0",
                                                  "GPL-2.0-or-later", "Lirano developers", "", "", "lirano");
    ibus_component_add_engine(component, ibus_engine_desc_new("LiranoNull", "LiranoNull", "Takes no key", "vi",
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
