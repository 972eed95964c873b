// The IBus engine type IBusLRNEngine, the component, and the main loop.
#include <cstdio>

#include "core/Identity.h"
#include "core/UtfConverter.h"
#include "core/Utils.h"
#include "engine/Handles.h"
#include "ibus/IBusEngine.h"
#include "ibus/LiranoIBusApp.h"
#include "x11/WindowClass.h"

typedef CInputMethodService::CIBus CIBus;

CInputMethodService* CIBus::IME = nullptr;

namespace {

// One IBus engine object, as the service sees it: the pre-edit, commits and
// the lookup table of the input context it serves.
class IBusContext final : public IInputContext {
public:
    explicit IBusContext(IBusEngine* engine) : Engine(engine) {}

    void UpdatePreedit(const std::u32string& u, bool underline) override
    {
        // Sunk, the text stays ours through the call that sends it.
        auto t =
            GObjectPtr<IBusText>::AdoptFloating(ibus_text_new_from_ucs4(reinterpret_cast<const gunichar*>(u.c_str())));
        if (underline)
            ibus_text_append_attribute(t, IBUS_ATTR_TYPE_UNDERLINE, IBUS_ATTR_UNDERLINE_LOW, 0, (gint)u.size());
        // Commit-on-reset: whatever ends the pre-edit outside the engine (a
        // click, a focus change, a reset) makes IBus or the client commit
        // what is shown, once.
        ibus_engine_update_preedit_text_with_mode(Engine, t, (guint)u.size(), TRUE, CIBus::PreeditMode(Engine));
    }
    void HidePreedit() override { ibus_engine_hide_preedit_text(Engine); }
    void CommitText(const std::u32string& u) override
    {
        ibus_engine_commit_text(Engine, ibus_text_new_from_ucs4(reinterpret_cast<const gunichar*>(u.c_str())));
    }
    void UpdateLookupTable(CSuggestionUI& list) override { ibus_engine_update_lookup_table(Engine, list.Table, TRUE); }
    void ShowLookupTable() override { ibus_engine_show_lookup_table(Engine); }
    void HideLookupTable() override { ibus_engine_hide_lookup_table(Engine); }
    std::string Program() const override { return App; }

    IBusEngine* const Engine;
    // Learnt at focus-in.
    std::string App;
};

// GTK's module names its program ("gtk3-im:gedit"); Qt's input context and
// the XIM bridge do not, and the X window with the focus may.
std::string ProgramOf(const char* client)
{
    std::string c = client ? client : "";
    size_t colon = c.find(':');
    if (colon != std::string::npos && colon >= 3 && c.compare(colon - 3, 3, "-im") == 0 && colon + 1 < c.size())
        return c.substr(colon + 1);
    return FocusedWindowClass();
}

typedef struct {
    IBusEngine parent;
    // The input context is a password or PIN field: keys pass untouched.
    gboolean secret;
    // The client commits the pre-edit itself when it resets or changes
    // focus, whatever the mode: IBus must not commit it a second time.
    gboolean clientCommits;
    // An X client through XIM.
    gboolean xim;
    // Lives as long as the object.
    IBusContext* context;
} IBusLRNEngine;

typedef struct {
    IBusEngineClass parent;
} IBusLRNEngineClass;

IBusEngineClass* parent_class = nullptr;
GObjectPtr<IBusBus> bus;
// Live as long as the bus: the component is the user data of the factory's
// handler.
GObjectPtr<IBusComponent> g_component;
GObjectPtr<IBusFactory> g_factory;

// The component's name is the bus name the program asks for when IBus
// starts it; IBus only accepts a legal D-Bus name there.
const char* kComponentName = "org.freedesktop.IBus.Lirano";

GObject* ibus_lrn_engine_constructor(GType type, guint n, GObjectConstructParam* params)
{
    return G_OBJECT_CLASS(parent_class)->constructor(type, n, params);
}

bool Secret(IBusEngine* engine) { return ((IBusLRNEngine*)engine)->secret; }

gboolean OnProcessKeyEvent(IBusEngine* engine, guint keyval, guint keycode, guint state)
{
    CInputMethodService* ime = CIBus::IME;
    if (!ime || Secret(engine)) return FALSE;
    // Keys come only to the focused context; a client that sends keys
    // without focus gets them typed where they are sent.
    if (ime->engine != CIBus::Context(engine)) ime->Focus(CIBus::Context(engine));
    if (state & IBUS_RELEASE_MASK) return ime->OnKeyUp(keyval);
    const unsigned commits = ime->commitCount;
    if (ime->OnKeyDown(keyval)) return TRUE;
    // XIM's bridge answers the key before it hands on the text committed
    // meanwhile, and Qt may handle the answer before the text: a key passed
    // after a commit is sent after it instead, so it reaches the client
    // after the text.
    const IBusLRNEngine* lrn = (IBusLRNEngine*)engine;
    if (!(lrn->xim || lrn->clientCommits) || commits == ime->commitCount) return FALSE;
    ibus_engine_forward_key_event(engine, keyval, keycode, state);
    return TRUE;
}

void OnFocusIn(IBusEngine* engine)
{
    std::printf("focus_in %p\n", (void*)engine);
    std::fflush(stdout);
    if (CIBus::IME) CIBus::IME->Focus(CIBus::Context(engine));
    if (theApp.Panel.mainList) ibus_engine_register_properties(engine, theApp.Panel.mainList);
    if (parent_class->focus_in) parent_class->focus_in(engine);
}

// Qt's IBus input context commits its copy of the pre-edit on every reset
// and focus change; GTK's does so only in commit mode, and tells IBus.
void OnFocusInId(IBusEngine* engine, const gchar*, const gchar* client)
{
    std::printf("focus_in_id %p %s\n", (void*)engine, client ? client : "");
    std::fflush(stdout);
    ((IBusLRNEngine*)engine)->clientCommits = client && g_str_has_prefix(client, "QIBusInputContext");
    ((IBusLRNEngine*)engine)->xim = client && g_str_has_prefix(client, "xim");
    ((IBusLRNEngine*)engine)->context->App = ProgramOf(client);
    OnFocusIn(engine);
}

// IBus itself commits the pre-edit shown on focus-out and reset (it is sent
// in commit-on-reset mode), so the engine only forgets it: committing here
// as well would type it twice.
void OnFocusOut(IBusEngine* engine)
{
    std::printf("focus_out %p\n", (void*)engine);
    std::fflush(stdout);
    if (CIBus::IME && CIBus::IME->engine == CIBus::Context(engine)) CIBus::IME->Clear();
    if (parent_class->focus_out) parent_class->focus_out(engine);
}

void OnReset(IBusEngine* engine)
{
    std::printf("reset %p\n", (void*)engine);
    std::fflush(stdout);
    if (CIBus::IME && CIBus::IME->engine == CIBus::Context(engine)) CIBus::IME->Clear();
    if (parent_class->reset) parent_class->reset(engine);
}

void OnDisable(IBusEngine* engine)
{
    std::printf("disable%p\n", (void*)engine);
    std::fflush(stdout);
    if (CIBus::IME && CIBus::IME->engine == CIBus::Context(engine)) CIBus::IME->Commit();
    if (parent_class->disable) parent_class->disable(engine);
}

void OnSetContentType(IBusEngine* engine, guint purpose, guint hints)
{
    bool secret = purpose == IBUS_INPUT_PURPOSE_PASSWORD || purpose == IBUS_INPUT_PURPOSE_PIN;
    if (secret && !Secret(engine) && CIBus::IME && CIBus::IME->engine == CIBus::Context(engine)) CIBus::IME->Commit();
    ((IBusLRNEngine*)engine)->secret = secret;
    if (parent_class->set_content_type) parent_class->set_content_type(engine, purpose, hints);
}

// The daemon drops an engine object when its context goes or switches
// engine: the service must not keep pointing at it.
void OnDestroy(IBusObject* object)
{
    if (CIBus::IME) CIBus::IME->EngineGone(CIBus::Context(IBUS_ENGINE(object)));
    IBUS_OBJECT_CLASS(parent_class)->destroy(object);
}

void OnFinalize(GObject* object)
{
    delete ((IBusLRNEngine*)object)->context;
    G_OBJECT_CLASS(parent_class)->finalize(object);
}

void OnPropertyActivate(IBusEngine* engine, const gchar* prop_name, guint state)
{
    theApp.Panel.PropertyActivate(engine, prop_name, state);
}

void OnCandidateClicked(IBusEngine*, guint index, guint, guint)
{
    CInputMethodService* ime = CIBus::IME;
    if (!ime || !ime->suggestionUI) return;
    ime->DoSuggestion(ime->suggestionUI->GetSuggestionIndex((int)index));
}

void ibus_lrn_engine_class_init(gpointer klass, gpointer)
{
    G_OBJECT_CLASS(klass)->constructor = ibus_lrn_engine_constructor;
    G_OBJECT_CLASS(klass)->finalize = OnFinalize;
    IBUS_OBJECT_CLASS(klass)->destroy = OnDestroy;
    IBusEngineClass* e = IBUS_ENGINE_CLASS(klass);
    e->process_key_event = OnProcessKeyEvent;
    e->focus_in = OnFocusIn;
    e->focus_out = OnFocusOut;
    e->reset = OnReset;
    e->disable = OnDisable;
    e->set_content_type = OnSetContentType;
    e->focus_in_id = OnFocusInId;
    e->focus_out_id = [](IBusEngine* engine, const gchar*) { OnFocusOut(engine); };
    e->property_activate = OnPropertyActivate;
    e->candidate_clicked = OnCandidateClicked;
    parent_class = (IBusEngineClass*)g_type_class_peek_parent(klass);
}

void ibus_lrn_engine_init(GTypeInstance* instance, gpointer)
{
    ((IBusLRNEngine*)instance)->secret = FALSE;
    ((IBusLRNEngine*)instance)->clientCommits = FALSE;
    ((IBusLRNEngine*)instance)->xim = FALSE;
    ((IBusLRNEngine*)instance)->context = new IBusContext(IBUS_ENGINE(instance));
}

// Engines that ask for focus ids learn which client they serve.
IBusEngine* CreateEngine(IBusFactory* factory, const gchar* name, gpointer component)
{
    bool ours = false;
    UniqueCPtr<GList, g_list_free> engines(ibus_component_get_engines(IBUS_COMPONENT(component)));
    for (GList* p = engines.get(); p; p = p->next)
        ours = ours || g_strcmp0(ibus_engine_desc_get_name(IBUS_ENGINE_DESC(p->data)), name) == 0;
    if (!ours) return nullptr;
    static guint serial = 0;
    UniqueCPtr<gchar, g_free> path(g_strdup_printf("/org/freedesktop/IBus/Engine/Lirano/%u", ++serial));
    // Floating: the factory sinks it and keeps it until the daemon drops it.
    GObject* engine = (GObject*)g_object_new(
        CIBus::ibus_lrn_engine_get_type(), "engine-name", name, "object-path", path.get(), "connection",
        ibus_service_get_connection(IBUS_SERVICE(factory)), "has-focus-id", TRUE, nullptr);
    return IBUS_ENGINE(engine);
}

std::string IconPath() { return Utils::ToString(Utils::GetExeFolder()) + "/Resources/V.png"; }

void FreeGString(GString* s) { g_string_free(s, TRUE); }

} // namespace

IBusEngine* CIBus::Focused()
{
    auto* context = IME ? dynamic_cast<IBusContext*>(IME->engine) : nullptr;
    return context ? context->Engine : nullptr;
}

IInputContext* CIBus::Context(IBusEngine* engine) { return engine ? ((IBusLRNEngine*)engine)->context : nullptr; }

IBusPreeditFocusMode CIBus::PreeditMode(IBusEngine* engine)
{
    return ((IBusLRNEngine*)engine)->clientCommits ? IBUS_ENGINE_PREEDIT_CLEAR : IBUS_ENGINE_PREEDIT_COMMIT;
}

GType CIBus::ibus_lrn_engine_get_type()
{
    static GType type = 0;
    static const GTypeInfo info = {sizeof(IBusLRNEngineClass),
                                   nullptr,
                                   nullptr,
                                   ibus_lrn_engine_class_init,
                                   nullptr,
                                   nullptr,
                                   sizeof(IBusLRNEngine),
                                   0,
                                   ibus_lrn_engine_init,
                                   nullptr};
    if (type == 0) type = g_type_register_static(IBUS_TYPE_ENGINE, "IBusLRNEngine", &info, (GTypeFlags)0);
    return type;
}

IBusComponent* CIBus::ibus_lrn_get_component()
{
    IBusComponent* component =
        ibus_component_new(kComponentName, identity::kName, identity::kVersion, identity::kLicence, identity::kAuthor,
                           identity::kHomepage, "", "Lirano-IBus");
    ibus_component_add_engine(component,
                              ibus_engine_desc_new("Lirano", "Lirano", "Lirano-IBus", "vi", identity::kLicence,
                                                   identity::kAuthor, IconPath().c_str(), "us"));
    return component;
}

void CIBus::print_engines_xml()
{
    ibus_init();
    auto component = GObjectPtr<IBusComponent>::AdoptFloating(ibus_lrn_get_component());
    UniqueCPtr<GString, FreeGString> output(g_string_new(""));
    ibus_component_output_engines(component, output.get(), 0);
    std::fputs(output->str, stdout);
    std::fflush(stdout);
}

void CIBus::ibus_disconnected_cb(IBusBus*, gpointer) { ibus_quit(); }

namespace {

bool g_requestName = false;

void Register(IBusBus* b, gpointer)
{
    static bool done = false;
    if (done) return;
    done = true;
    g_component = GObjectPtr<IBusComponent>::AdoptFloating(CIBus::ibus_lrn_get_component());
    g_factory = GObjectPtr<IBusFactory>::AdoptFloating(ibus_factory_new(ibus_bus_get_connection(b)));
    // The factory asks this handler only for names it has no type of.
    g_signal_connect(g_factory.get(), "create-engine", G_CALLBACK(CreateEngine), g_component.get());
    if (g_requestName)
        ibus_bus_request_name(b, kComponentName, 0);
    else
        ibus_bus_register_component(b, g_component);
}

} // namespace

void CIBus::Start(bool ibus)
{
    ibus_init();
    // The bus comes with a full reference: IBus sinks it itself.
    bus = GObjectPtr<IBusBus>::Adopt(ibus_bus_new());
    g_signal_connect(bus.get(), "disconnected", G_CALLBACK(ibus_disconnected_cb), nullptr);
    g_requestName = ibus;
    // A daemon that is still starting announces itself later.
    if (ibus_bus_is_connected(bus))
        Register(bus, nullptr);
    else
        g_signal_connect(bus.get(), "connected", G_CALLBACK(Register), nullptr);
    theApp.Panel.Init();
    ibus_main();
    // The loop ends with the connection. The factory's engines go first,
    // then the component their handler reads, then the bus.
    g_factory.reset();
    g_component.reset();
    bus.reset();
}
