#pragma once

#include <ibus.h>

#include "engine/InputMethodService.h"

// The IBus engine type, the component and the main loop.
class CInputMethodService::CIBus {
public:
    static CInputMethodService* IME;
    static GType ibus_lrn_engine_get_type();
    // How IBus is to treat the pre-edit of `engine` when the client resets
    // or changes focus.
    static IBusPreeditFocusMode PreeditMode(IBusEngine* engine);
    // The service's handle on the input context `engine` serves.
    static IInputContext* Context(IBusEngine* engine);
    // The engine object of the focused context, if any.
    static IBusEngine* Focused();
    // A new component, floating as IBus makes its objects.
    static IBusComponent* ibus_lrn_get_component();
    static void print_engines_xml();
    static void Start(bool ibus);
    static void ibus_disconnected_cb(IBusBus* bus, gpointer data);
};
