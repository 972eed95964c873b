// The addon's entry point, kept apart so that tests can link the engine
// without exporting a second factory.
#include "fcitx5/LiranoFcitx.h"

FCITX_ADDON_FACTORY(LiranoFcitxFactory);
